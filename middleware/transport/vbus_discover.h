#pragma once
// Tokens plugged into the virtual bus, offered to the HID and disk
// discoverers beside the system's own devices.
#include <string>
#include <vector>

namespace veltrakey {

class vbus_discover {
public:
  // The bus named by VELTRAKEY_VBUS; nothing when it is unset or untrusted.
  // Names are those beginning with `prefix`, compared without case.
  static std::vector<std::string> paths(const std::string& prefix);
};

}  // namespace veltrakey
