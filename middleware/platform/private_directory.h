#pragma once
// Sockets the library talks to are trusted only inside a directory no other
// user can write to; otherwise anyone could stand in for a token or for the
// I/O service.
#include <string>

namespace veltrakey {

// True for a directory owned by the calling user and not writable by group
// or others.
bool directory_private_to_user(const std::string& dir);
// The directory part of a socket path ("." when it has none).
std::string parent_directory(const std::string& path);

}  // namespace veltrakey
