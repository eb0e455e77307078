#pragma once
// What every discoverer offers: a scan that appends matching device paths.
#include <string>
#include <vector>

namespace veltrakey {

// A scan delivers at most this many paths, each at most 255 characters.
constexpr size_t max_scan_paths = 32;
constexpr size_t max_scan_path_length = 255;

class device_discover {
public:
  virtual ~device_discover() = default;
  // Appends matching paths to `paths` (never beyond max_scan_paths entries)
  // and returns how many it appended.
  virtual int scan(const std::string& pattern, std::vector<std::string>* paths) = 0;
};

// Splits `text` at `separator` into at most `limit` fields.
std::vector<std::string> split_fields(const std::string& text, char separator, size_t limit);
std::string to_lower(std::string text);
// Appends `path` unless the list is full; true when appended.
bool append_scan_path(const std::string& path, std::vector<std::string>* paths);

}  // namespace veltrakey
