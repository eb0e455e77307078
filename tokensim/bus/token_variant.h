#pragma once
// The ways a virtual token can present itself on the bus.
#include <cstddef>
#include <optional>
#include <string>

namespace tokensim {

enum class token_variant {
  hid_hs,       // 65-byte input and output reports
  hid_ctrl_io,  // 65-byte output reports, answers polled as feature reports
  hid_long,     // one 1093-byte report per message
  scsi,         // disk-class token with vendor command blocks
};

struct report_lengths {
  size_t input, output, feature;
};

std::optional<token_variant> variant_from_name(const std::string& name);
const char* variant_name(token_variant v);
bool is_hid(token_variant v);
report_lengths lengths_of(token_variant v);
// The socket name, which is the device path discovery reports:
// "hid#vid_7c31&pid_c3d4#<serial>" or "usbstor#disk&ven_velkon&prod_tk5100#<serial>"
// (disk paths are lower case, as disk discovery delivers them).
std::string device_path_for(token_variant v, const std::string& serial);

}  // namespace tokensim
