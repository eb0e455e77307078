#pragma once
// Cross-process exclusion through a lock file shared by every local user.
// The kernel drops the lock when the holding process dies, so a killed
// holder never blocks the others for ever.
#include <string>

namespace veltrakey::platform {

enum class lock_open_result { opened, access_denied, failed };

class lock_file {
public:
  lock_file() = default;
  lock_file(const lock_file&) = delete;
  lock_file& operator=(const lock_file&) = delete;
  ~lock_file() { close(); }

  // Opens or creates `path` (mode 0666, no symbolic links followed).
  lock_open_result open(const std::string& path);
  bool is_open() const { return fd_ >= 0; }
  // Waits until this process holds the lock.
  bool acquire();
  // Takes the lock when it is free at once.
  bool try_acquire();
  void release();
  void close();

private:
  int fd_ = -1;
};

// Where the machine-wide lock lives: $VELTRAKEY_LOCK_DIR when set (tests use
// it to keep to themselves), else /dev/shm, else /tmp.
std::string global_lock_directory();
// Where the per-user fallback lives: $XDG_RUNTIME_DIR, else /tmp/<uid>
// (created private to the user).
std::string session_lock_directory();

}  // namespace veltrakey::platform
