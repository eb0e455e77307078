// Bounded waits on descriptors: every transfer of the platform layer goes
// through poll so that no device or peer can hold a caller past its time-out.
#include "platform/fd_wait.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>

namespace veltrakey {
namespace {

using steady = std::chrono::steady_clock;

unsigned remaining_ms(steady::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now()).count();
  return left > 0 ? unsigned(left) : 0;
}

}  // namespace

io_status fd_wait(int fd, short events, unsigned timeout_ms) {
  const auto deadline = steady::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    pollfd p {fd, events, 0};
    int rc = poll(&p, 1, int(remaining_ms(deadline)));
    if (rc > 0) return (p.revents & (events | POLLHUP | POLLERR)) ? io_status::ok : io_status::failed;
    if (rc == 0) return io_status::timeout;
    if (errno != EINTR) return io_status::failed;
  }
}

io_status fd_recv(int fd, uint8_t* buffer, size_t capacity, unsigned timeout_ms, size_t* received) {
  *received = 0;
  const auto deadline = steady::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    io_status s = fd_wait(fd, POLLIN, remaining_ms(deadline));
    if (s != io_status::ok) return s;
    ssize_t n = recv(fd, buffer, capacity, MSG_DONTWAIT | MSG_TRUNC);
    if (n > 0) {
      // A record longer than the buffer is damaged, never cut short silently.
      if (size_t(n) > capacity) return io_status::failed;
      *received = size_t(n);
      return io_status::ok;
    }
    if (n == 0) return io_status::failed;
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return io_status::failed;
  }
}

io_status fd_send(int fd, const uint8_t* data, size_t length, unsigned timeout_ms) {
  const auto deadline = steady::now() + std::chrono::milliseconds(timeout_ms);
  size_t done = 0;
  while (done < length || length == 0) {
    io_status s = fd_wait(fd, POLLOUT, remaining_ms(deadline));
    if (s != io_status::ok) return s;
    ssize_t n = send(fd, data + done, length - done, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n >= 0) {
      done += size_t(n);
      if (length == 0) break;
      continue;
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return io_status::failed;
  }
  return io_status::ok;
}

io_status fd_read_exact(int fd, uint8_t* buffer, size_t length, unsigned timeout_ms) {
  const auto deadline = steady::now() + std::chrono::milliseconds(timeout_ms);
  size_t done = 0;
  while (done < length) {
    io_status s = fd_wait(fd, POLLIN, remaining_ms(deadline));
    if (s != io_status::ok) return s;
    ssize_t n = recv(fd, buffer + done, length - done, MSG_DONTWAIT);
    if (n > 0) {
      done += size_t(n);
      continue;
    }
    if (n == 0) return io_status::failed;
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return io_status::failed;
  }
  return io_status::ok;
}

}  // namespace veltrakey
