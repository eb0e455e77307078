#pragma once
// Points the library's machine-wide lock at a private folder, so these tests
// neither wait for nor disturb other programs using the real lock.
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace veltrakey::testing {

inline const std::string& private_lock_dir() {
  static const std::string dir = [] {
    std::string templ = (std::filesystem::temp_directory_path() / "vk-lock-XXXXXX").string();
    const char* made = mkdtemp(templ.data());
    std::string path = made ? made : "/tmp";
    setenv("VELTRAKEY_LOCK_DIR", path.c_str(), 1);
    return path;
  }();
  return dir;
}

}  // namespace veltrakey::testing
