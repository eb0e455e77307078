#include "platform/lock_file.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrakey::platform {

namespace {

bool directory_exists(const char* path) {
  struct stat st;
  return path != nullptr && *path != '\0' && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Locks the whole file through the open file description, so the lock
// belongs to this process's descriptor, not to a thread or a pid.
bool set_lock(int fd, short type, bool wait) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace

lock_open_result lock_file::open(const std::string& path) {
  close();
  const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return (errno == EACCES || errno == EPERM) ? lock_open_result::access_denied : lock_open_result::failed;
  // The umask must not keep other users out of a file they all share; a
  // file someone else created simply keeps its mode.
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_uid == geteuid() && (st.st_mode & 0777) != 0666) (void)fchmod(fd, 0666);
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return lock_open_result::failed;
  }
  fd_ = fd;
  return lock_open_result::opened;
}

bool lock_file::acquire() { return fd_ >= 0 && set_lock(fd_, F_WRLCK, true); }

bool lock_file::try_acquire() { return fd_ >= 0 && set_lock(fd_, F_WRLCK, false); }

void lock_file::release() {
  if (fd_ >= 0) (void)set_lock(fd_, F_UNLCK, false);
}

void lock_file::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::string global_lock_directory() {
  const char* override_dir = getenv("VELTRAKEY_LOCK_DIR");
  if (directory_exists(override_dir)) return override_dir;
  if (directory_exists("/dev/shm")) return "/dev/shm";
  return "/tmp";
}

std::string session_lock_directory() {
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  if (directory_exists(runtime)) return runtime;
  std::string dir = "/tmp/" + std::to_string(geteuid());
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return "/tmp";
  struct stat st;
  // Someone else's directory of that name is not ours to use.
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return "/tmp";
  return dir;
}

}  // namespace veltrakey::platform
