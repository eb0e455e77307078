// The I/O service is reached over a Unix stream socket.
#include "platform/pipe_client.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/fd_wait.h"
#include "platform/private_directory.h"
#include "platform/unique_fd.h"

namespace veltrakey {

std::string pipe_service_path() {
  if (const char* path = std::getenv("VELKON_IOSVR"); path && *path) return path;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run)
    return std::string(run) + "/VelkonIOSvr";
  return "/tmp/" + std::to_string(getuid()) + "/VelkonIOSvr";
}

bool pipe_call(const uint8_t* request, size_t request_length, uint8_t* answer,
               size_t answer_length, unsigned timeout_ms) {
  const std::string path = pipe_service_path();
  if (!directory_private_to_user(parent_directory(path))) return false;
  sockaddr_un addr {};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof(addr.sun_path)) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  unique_fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return false;
  if (connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) return false;
  const auto start = std::chrono::steady_clock::now();
  if (fd_send(fd.get(), request, request_length, timeout_ms) != io_status::ok) return false;
  auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start).count();
  unsigned left = spent >= timeout_ms ? 0 : unsigned(timeout_ms - spent);
  return fd_read_exact(fd.get(), answer, answer_length, left) == io_status::ok;
}

}  // namespace veltrakey
