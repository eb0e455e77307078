#include "platform/private_directory.h"

#include <sys/stat.h>
#include <unistd.h>

namespace veltrakey {

bool directory_private_to_user(const std::string& dir) {
  if (dir.empty()) return false;
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string parent_directory(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace veltrakey
