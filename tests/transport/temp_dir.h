#pragma once
// A private directory for one test, removed with everything in it.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace veltrakey::testing {

class temp_dir {
public:
  temp_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vk-transport-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~temp_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }
  void write(const std::string& relative, const std::string& text) const {
    const auto full = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full) << text;
  }

private:
  std::string path_;
};

}  // namespace veltrakey::testing
