#include "bus/endpoint_io.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/vbus_protocol.h"

namespace tokensim {
namespace {

constexpr int stop_check_ms = 50;

}  // namespace

bool receive_message(int fd, std::vector<uint8_t>* message, const std::atomic<bool>& stop) {
  message->resize(veltrakey::vbus::max_message);
  while (!stop) {
    pollfd p {fd, POLLIN, 0};
    const int ready = poll(&p, 1, stop_check_ms);
    if (ready < 0 && errno != EINTR) return false;
    if (ready <= 0) continue;
    const ssize_t n = recv(fd, message->data(), message->size(), MSG_DONTWAIT);
    if (n > 0) {
      message->resize(size_t(n));
      return true;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) return false;
  }
  return false;
}

bool send_message(int fd, const std::vector<uint8_t>& message) {
  return send(fd, message.data(), message.size(), MSG_NOSIGNAL) == ssize_t(message.size());
}

bool pause_unless_stopped(unsigned ms, const std::atomic<bool>& stop) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (stop) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<unsigned>(ms, stop_check_ms)));
  }
  return !stop;
}

}  // namespace tokensim
