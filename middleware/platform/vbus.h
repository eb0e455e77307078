#pragma once
// The virtual bus: a directory in which every plugged virtual token is a
// Unix socket named by its device path.
#include <string>
#include <vector>

namespace veltrakey {

// The bus directory from VELTRAKEY_VBUS, or empty when unset.
std::string vbus_directory();
// True when `dir` is a directory owned by the calling user and not writable
// by group or others; anything else could let another user plant tokens.
bool vbus_directory_trusted(const std::string& dir);
// Names of the sockets in a trusted bus directory (empty otherwise).
std::vector<std::string> vbus_list(const std::string& dir);
// True when `path` names a token on the bus rather than a system device node.
bool vbus_is_bus_path(const std::string& path);
// Connected SOCK_SEQPACKET descriptor to the token, or -errno.
int vbus_connect(const std::string& path);

}  // namespace veltrakey

namespace veltrakey {
// The device node at the end of a system path ("...#/dev/hidraw3").
std::string system_node_of(const std::string& path);
}  // namespace veltrakey
