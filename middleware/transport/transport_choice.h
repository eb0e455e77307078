#pragma once
// Which transport class serves a path.
#include <memory>
#include <string>

#include "platform/hid_port.h"
#include "transport/device_base.h"

namespace veltrakey {

enum class transport_kind { winhid_hs, winhid_ctrl_io, winhid, winscsi, winrpc };

// `lengths` is null when the report lengths could not be read.
transport_kind choose_transport(const std::string& path, const hid_report_lengths* lengths,
                                bool protected_mode);
// Reads the report lengths of HID paths, then builds the object.
std::unique_ptr<device_base> make_transport(const std::string& path, bool protected_mode);
std::unique_ptr<device_base> make_transport(transport_kind kind, const std::string& path);

}  // namespace veltrakey
