// Virtual bus directory checks and connections.
#include "platform/vbus.h"

#include "platform/private_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace veltrakey {

std::string vbus_directory() {
  const char* dir = std::getenv("VELTRAKEY_VBUS");
  return dir ? std::string(dir) : std::string();
}

bool vbus_directory_trusted(const std::string& dir) { return directory_private_to_user(dir); }

std::vector<std::string> vbus_list(const std::string& dir) {
  std::vector<std::string> names;
  if (!vbus_directory_trusted(dir)) return names;
  DIR* d = opendir(dir.c_str());
  if (!d) return names;
  while (dirent* entry = readdir(d)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (lstat((dir + "/" + name).c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) names.push_back(name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

bool vbus_is_bus_path(const std::string& path) {
  return path.find("#/dev/") == std::string::npos;
}

int vbus_connect(const std::string& path) {
  const std::string dir = vbus_directory();
  if (path.empty() || path.find('/') != std::string::npos || path == "." || path == "..")
    return -EINVAL;
  if (!vbus_directory_trusted(dir)) return -EACCES;
  sockaddr_un addr {};
  addr.sun_family = AF_UNIX;
  const std::string full = dir + "/" + path;
  if (full.size() >= sizeof(addr.sun_path)) return -ENAMETOOLONG;
  std::memcpy(addr.sun_path, full.c_str(), full.size() + 1);
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return -errno;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    int err = errno;
    ::close(fd);
    return -err;
  }
  return fd;
}

}  // namespace veltrakey

namespace veltrakey {
// Discovery appends the device node after the last '#'.
std::string system_node_of(const std::string& path) {
  auto hash = path.rfind('#');
  return hash == std::string::npos ? path : path.substr(hash + 1);
}
}  // namespace veltrakey
