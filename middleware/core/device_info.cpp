#include "core/device_info.h"

#include <algorithm>
#include <cstring>

namespace veltrakey {

namespace {

uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }

// Where each part of the answer lies.
constexpr size_t at_version = 0, at_manufacturer = 4, at_issuer = 68, at_label = 132, at_serial = 164,
                 at_hw_version = 196, at_fw_version = 198, at_raw_caps = 200, at_total = 216, at_free = 220,
                 at_buffer = 224, at_flags = 226, at_capabilities = 228;

}  // namespace

device_info parse_device_info(std::span<const uint8_t> answer) {
  uint8_t raw[device_info_max] = {};
  std::copy_n(answer.begin(), std::min(answer.size(), sizeof raw), raw);

  device_info out;
  memset(&out, 0, sizeof out);
  DEVINFO& info = out.info;
  info.Version = {raw[at_version], raw[at_version + 1]};
  memcpy(info.Manufacturer, raw + at_manufacturer, sizeof info.Manufacturer);
  memcpy(info.Issuer, raw + at_issuer, sizeof info.Issuer);
  memcpy(info.Label, raw + at_label, sizeof info.Label);
  memcpy(info.SerialNumber, raw + at_serial, sizeof info.SerialNumber);
  info.HWVersion = {raw[at_hw_version], raw[at_hw_version + 1]};
  info.FirmwareVersion = {raw[at_fw_version], raw[at_fw_version + 1]};
  // The four algorithm words travel in host order.
  memcpy(&info.AlgSymCap, raw + at_raw_caps, 4);
  memcpy(&info.AlgAsymCap, raw + at_raw_caps + 4, 4);
  memcpy(&info.AlgHashCap, raw + at_raw_caps + 8, 4);
  memcpy(&info.DevAuthAlgId, raw + at_raw_caps + 12, 4);
  info.TotalSpace = be32(raw + at_total);
  info.FreeSpace = be32(raw + at_free);
  out.buffer_size = be16(raw + at_buffer);
  out.flags = be16(raw + at_flags);
  out.capabilities = be16(raw + at_capabilities);
  // A buffer smaller than the overheads leaves nothing, not a wrapped figure.
  info.MaxBufferSize = out.max_data();
  info.MaxECCBufferSize = out.buffer_size > device_info::ecc_overhead ? out.buffer_size - device_info::ecc_overhead : 0;
  return out;
}

}  // namespace veltrakey
