#include "transport/winrpc_discover.h"

#include <algorithm>
#include <cstring>

#include "transport/pipe_message.h"

namespace veltrakey {

int winrpc_discover::scan(const std::string& pattern, std::vector<std::string>* paths) {
  auto m = pipe::make_request(pipe::scan);
  // The pattern field ends where the answer's paths begin; keep it terminated.
  const size_t n = std::min(pattern.size(), pipe::scan_pattern_capacity - 1);
  std::memcpy(&m[pipe::path_offset], pattern.data(), n);
  std::vector<uint8_t> answer(m.size());
  if (!pipe_call(m.data(), m.size(), answer.data(), answer.size(), pipe_timeout_ms_)) return 0;
  if (!pipe::has_magic(answer.data())) return 0;
  const int32_t answered = int32_t(pipe::get32(&answer[pipe::result_offset]));
  const size_t count = answered > 0 ? std::min(size_t(answered), pipe::scan_max_paths) : 0;
  int stored = 0;
  for (size_t i = 0; i < count; ++i) {
    const char* entry = reinterpret_cast<const char*>(&answer[pipe::scan_paths_offset + i * pipe::scan_path_length]);
    const std::string path(entry, strnlen(entry, pipe::scan_path_length));
    if (path.empty() || !append_scan_path(path, paths)) continue;
    ++stored;
  }
  return stored;
}

}  // namespace veltrakey
