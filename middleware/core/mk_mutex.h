#pragma once
// The library lock: named, shared by every process that loads the library,
// and re-entrant for the thread that holds it.
//
// Two layers make it: a lock file (cross-process; the kernel releases it
// when the holder dies) and an in-process owner/count record that gives each
// thread re-entrance and lets the other threads of this process wait without
// touching the file. The file is held exactly while some thread of this
// process holds the lock.
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/lock_file.h"
#include "skf.h"

namespace veltrakey {

inline constexpr ULONG wait_forever = 0xFFFFFFFF;
inline constexpr char library_lock_name[] = "Global\\rv9t_mutex";
// Used when the machine-wide lock may not be opened: excludes only the
// processes of this user.
inline constexpr char fallback_lock_name[] = "rv9t_mutex_ex";

class mk_mutex {
public:
  mk_mutex() = default;
  mk_mutex(const mk_mutex&) = delete;
  mk_mutex& operator=(const mk_mutex&) = delete;
  virtual ~mk_mutex();

  // Names the lock before its first use; ignored once named or opened.
  // Null or empty text names it after the device filter.
  virtual void set_name(const char* text);
  // Waits up to timeout_ms (wait_forever: no limit). Timeout 0 does nothing.
  // True when the calling thread holds the lock on return; every true must
  // be paired with one unlock().
  virtual bool lock(const char* name, ULONG timeout_ms);
  // Releases one hold of the calling thread; a thread that holds nothing
  // releases nothing.
  virtual void unlock();
  // Forgets the lock file and the name.
  virtual void close();

  // The name the lock ended up under (the fallback name after a refusal).
  std::string name() const;
  // Whether the calling thread holds the lock (for tests and assertions).
  bool held_by_this_thread() const;

private:
  void open_lock_file(const char* name);

  mutable std::mutex state_;
  std::condition_variable released_;
  std::thread::id owner_;
  unsigned depth_ = 0;
  platform::lock_file file_;
  std::string name_;
};

// Holds a lock for one scope, waiting without limit.
class mk_auto_mutex {
public:
  mk_auto_mutex(mk_mutex& mutex, const char* name) : mutex_(&mutex), held_(mutex.lock(name, wait_forever)) {}
  mk_auto_mutex(const mk_auto_mutex&) = delete;
  mk_auto_mutex& operator=(const mk_auto_mutex&) = delete;
  virtual ~mk_auto_mutex() {
    if (held_) mutex_->unlock();
  }

private:
  mk_mutex* mutex_;
  bool held_;
};

// The one lock of the library; every export runs under it.
extern mk_mutex library_mutex;

}  // namespace veltrakey
