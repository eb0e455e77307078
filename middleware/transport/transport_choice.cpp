#include "transport/transport_choice.h"

#include "transport/device_winhid.h"
#include "transport/device_winhid_ctrl_io.h"
#include "transport/device_winhid_hs.h"
#include "transport/device_winrpc.h"
#include "transport/device_winscsi.h"

namespace veltrakey {

transport_kind choose_transport(const std::string& path, const hid_report_lengths* lengths,
                                bool protected_mode) {
  if (path.find("hid") != std::string::npos) {
    if (lengths && lengths->output == hid1093_report_length) return transport_kind::winhid;
    if (lengths && lengths->feature == hid65_report_length) return transport_kind::winhid_ctrl_io;
    return transport_kind::winhid_hs;
  }
  return protected_mode ? transport_kind::winrpc : transport_kind::winscsi;
}

std::unique_ptr<device_base> make_transport(transport_kind kind, const std::string& path) {
  switch (kind) {
    case transport_kind::winhid: return std::make_unique<device_winhid>(path);
    case transport_kind::winhid_ctrl_io: return std::make_unique<device_winhid_ctrl_io>(path);
    case transport_kind::winhid_hs: return std::make_unique<device_winhid_hs>(path);
    case transport_kind::winrpc: return std::make_unique<device_winrpc>(path);
    case transport_kind::winscsi: return std::make_unique<device_winscsi>(path);
  }
  return nullptr;
}

std::unique_ptr<device_base> make_transport(const std::string& path, bool protected_mode) {
  hid_report_lengths lengths;
  const bool is_hid = path.find("hid") != std::string::npos;
  const bool known = is_hid && read_hid_report_lengths(path, &lengths);
  return make_transport(choose_transport(path, known ? &lengths : nullptr, protected_mode), path);
}

}  // namespace veltrakey
