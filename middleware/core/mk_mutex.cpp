#include "core/mk_mutex.h"

#include <chrono>

#include "core/library_config.h"
#include "platform/clock.h"

namespace veltrakey {

namespace {

using steady = std::chrono::steady_clock;

// How often a bounded wait retries the lock file.
constexpr auto file_poll_interval = std::chrono::milliseconds(2);

}  // namespace

mk_mutex::~mk_mutex() { close(); }

void mk_mutex::set_name(const char* text) {
  std::lock_guard<std::mutex> hold(state_);
  if (file_.is_open() || !name_.empty()) return;
  name_ = (text && *text) ? std::string(text) : enum_device_string();
}

std::string mk_mutex::name() const {
  std::lock_guard<std::mutex> hold(state_);
  return name_;
}

bool mk_mutex::held_by_this_thread() const {
  std::lock_guard<std::mutex> hold(state_);
  return depth_ > 0 && owner_ == std::this_thread::get_id();
}

// Called with state_ held.
void mk_mutex::open_lock_file(const char* name) {
  if (name_.empty()) name_ = (name && *name) ? std::string(name) : enum_device_string();
  switch (file_.open(platform::global_lock_directory() + "/" + name_)) {
    case platform::lock_open_result::opened:
      return;
    case platform::lock_open_result::access_denied:
      name_ = fallback_lock_name;
      (void)file_.open(platform::session_lock_directory() + "/" + name_);
      return;
    case platform::lock_open_result::failed:
      // Without the file the threads of this process still exclude each
      // other; other processes are not excluded.
      return;
  }
}

bool mk_mutex::lock(const char* name, ULONG timeout_ms) {
  if (timeout_ms == 0) return false;
  const bool forever = timeout_ms == wait_forever;
  const auto deadline = steady::now() + std::chrono::milliseconds(timeout_ms);
  const auto me = std::this_thread::get_id();

  std::unique_lock<std::mutex> hold(state_);
  if (!file_.is_open()) open_lock_file(name);
  if (depth_ > 0 && owner_ == me) {
    ++depth_;
    return true;
  }
  auto free_here = [&] { return depth_ == 0; };
  if (forever) {
    released_.wait(hold, free_here);
  } else if (!released_.wait_until(hold, deadline, free_here)) {
    return false;
  }
  owner_ = me;
  depth_ = 1;
  if (!file_.is_open()) return true;

  // This thread now speaks for the process; the others wait on state_'s
  // condition, not on the file.
  hold.unlock();
  bool got_file = forever ? file_.acquire() : file_.try_acquire();
  while (!got_file && !forever && steady::now() < deadline) {
    std::this_thread::sleep_for(file_poll_interval);
    got_file = file_.try_acquire();
  }
  if (got_file || forever) return true;  // a failing blocking wait: run without exclusion

  hold.lock();
  depth_ = 0;
  owner_ = std::thread::id();
  hold.unlock();
  released_.notify_one();
  return false;
}

void mk_mutex::unlock() {
  {
    std::lock_guard<std::mutex> hold(state_);
    if (depth_ == 0 || owner_ != std::this_thread::get_id()) return;
    if (--depth_ > 0) return;
    file_.release();
    owner_ = std::thread::id();
  }
  released_.notify_one();
  platform::yield_processor();
}

void mk_mutex::close() {
  std::lock_guard<std::mutex> hold(state_);
  file_.close();
  name_.clear();
}

}  // namespace veltrakey
