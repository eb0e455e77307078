#pragma once
// A file descriptor closed when it goes out of scope, unless released.
#include <unistd.h>

#include <utility>

namespace veltrakey {

class unique_fd {
public:
  unique_fd() = default;
  explicit unique_fd(int fd, bool owns = true) : fd_(fd), owns_(owns) {}
  unique_fd(unique_fd&& other) noexcept
      : fd_(std::exchange(other.fd_, -1)), owns_(other.owns_) {}
  unique_fd& operator=(unique_fd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
      owns_ = other.owns_;
    }
    return *this;
  }
  unique_fd(const unique_fd&) = delete;
  unique_fd& operator=(const unique_fd&) = delete;
  ~unique_fd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void reset(int fd = -1, bool owns = true) {
    if (fd_ >= 0 && owns_) ::close(fd_);
    fd_ = fd;
    owns_ = owns;
  }

private:
  int fd_ = -1;
  bool owns_ = true;
};

}  // namespace veltrakey
