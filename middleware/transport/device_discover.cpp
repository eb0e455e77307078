#include "transport/device_discover.h"

#include <algorithm>
#include <cctype>

namespace veltrakey {

std::vector<std::string> split_fields(const std::string& text, char separator, size_t limit) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (fields.size() < limit) {
    const size_t end = text.find(separator, start);
    fields.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return fields;
}

std::string to_lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

bool append_scan_path(const std::string& path, std::vector<std::string>* paths) {
  if (paths->size() >= max_scan_paths) return false;
  paths->push_back(path.substr(0, max_scan_path_length));
  return true;
}

}  // namespace veltrakey
