#include "bus/virtual_token.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bus/hid_endpoint.h"
#include "bus/scsi_endpoint.h"
#include "bus/scsi_target.h"

namespace tokensim {
namespace {

constexpr int accept_poll_ms = 100;

}  // namespace

virtual_token::virtual_token(token_variant variant, std::string serial, std::shared_ptr<command_handler> handler)
    : variant_(variant), path_(device_path_for(variant, serial)), hub_(std::move(handler)) {}

virtual_token::~virtual_token() { unplug(); }

bool virtual_token::plug(const std::string& bus_dir) {
  if (running_) return true;
  sockaddr_un addr {};
  addr.sun_family = AF_UNIX;
  socket_file_ = bus_dir + "/" + path_;
  if (socket_file_.size() >= sizeof(addr.sun_path)) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(addr.sun_path, socket_file_.c_str(), socket_file_.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 8) != 0) {
    const int err = errno;
    close(fd);
    errno = err;
    return false;
  }
  struct stat st {};
  stat(socket_file_.c_str(), &st);
  socket_inode_ = st.st_ino;
  listen_fd_ = fd;
  stop_ = false;
  removed_ = false;
  running_ = true;
  acceptor_ = std::thread(&virtual_token::accept_loop, this);
  return true;
}

bool virtual_token::socket_file_intact() const {
  struct stat st {};
  return stat(socket_file_.c_str(), &st) == 0 && st.st_ino == socket_inode_;
}

void virtual_token::accept_loop() {
  while (!stop_) {
    pollfd p {listen_fd_, POLLIN, 0};
    const int ready = poll(&p, 1, accept_poll_ms);
    if (!socket_file_intact()) {
      // Unplugged from outside (the socket file was removed).
      removed_ = true;
      stop_ = true;
      break;
    }
    reap_finished_connections();
    if (ready <= 0) continue;
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard lock(connections_mutex_);
    std::thread worker([this, fd, done] {
      if (is_hid(variant_)) {
        serve_hid_connection(fd, variant_, hub_, stop_);
      } else {
        serve_scsi_connection(fd, hub_, stop_);
      }
      // The host sees the hang-up at once; the descriptor is closed when reaped.
      shutdown(fd, SHUT_RDWR);
      *done = true;
    });
    connections_.push_back({fd, std::move(worker), done});
  }
  // Connections end with the token.
  std::lock_guard lock(connections_mutex_);
  for (auto& c : connections_) shutdown(c.fd, SHUT_RDWR);
}

void virtual_token::reap_finished_connections() {
  std::lock_guard lock(connections_mutex_);
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (!*it->done) {
      ++it;
      continue;
    }
    it->worker.join();
    close(it->fd);
    it = connections_.erase(it);
  }
}

void virtual_token::unplug() {
  if (!running_) return;
  stop_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  {
    std::lock_guard lock(connections_mutex_);
    for (auto& c : connections_) {
      if (c.worker.joinable()) c.worker.join();
      close(c.fd);
    }
    connections_.clear();
  }
  close(listen_fd_);
  listen_fd_ = -1;
  if (socket_file_intact()) unlink(socket_file_.c_str());
  running_ = false;
}

std::unique_ptr<scsi_target> virtual_token::open_session() {
  if (is_hid(variant_)) return nullptr;
  return std::make_unique<scsi_target>(hub_);
}

}  // namespace tokensim
