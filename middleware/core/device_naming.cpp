#include "core/device_naming.h"

#include <cstring>
#include <vector>

#include "core/library_config.h"
#include "core/library_state.h"
#include "protocol/token_operation.h"
#include "platform/clock.h"

namespace veltrakey {

namespace {

constexpr unsigned short_info_retry_ms = 200;

std::string_view text_of(std::span<const uint8_t> bytes) {
  const char* text = reinterpret_cast<const char*>(bytes.data());
  return {text, strnlen(text, bytes.size())};
}

}  // namespace

bool oem_accepted(std::span<const uint8_t> oem_id, std::string_view accepted_list) {
  if (oem_id.empty() || oem_id[0] == 0xFF || oem_id[0] == 0) return true;
  if (accepted_list == any_oem) return true;
  const std::string_view id = text_of(oem_id);
  for (size_t entry = 0; entry < max_oem_entries; ++entry) {
    const size_t comma = accepted_list.find(',');
    if (accepted_list.substr(0, comma).substr(0, max_oem_entry_length) == id) return true;
    if (comma == std::string_view::npos) break;
    accepted_list.remove_prefix(comma + 1);
  }
  return false;
}

std::string serial_from_short_info(std::span<const uint8_t> answer) {
  if (answer.size() < serial_offset + 1) return {};
  return std::string(text_of(answer.subspan(serial_offset, std::min(serial_length, answer.size() - serial_offset))));
}

bool read_oem_id(device_base* device, std::string& oem_id_bytes) {
  std::vector<uint8_t> answer;
  command_args args;
  args.p1 = static_cast<uint8_t>(oem_id_offset >> 8);
  args.p2 = static_cast<uint8_t>(oem_id_offset);
  args.le = oem_id_length;
  if (token_operation(device, cmd::read_oem_info, args, &answer, {.capacity = oem_id_length}) != token_ok) return false;
  oem_id_bytes.assign(answer.begin(), answer.end());
  return true;
}

std::string list_devices(int state) {
  // The walk below may drop objects, so it works on a snapshot.
  std::vector<device_base*> candidates;
  for (device_base* d = token_access.first(state); d; d = token_access.next(state)) candidates.push_back(d);

  const std::string accepted = oem_id_list();
  std::string names;
  for (device_base* device : candidates) {
    if (token_access.open(device) != 0) continue;
    std::string oem_id;
    if (read_oem_id(device, oem_id) &&
        !oem_accepted({reinterpret_cast<const uint8_t*>(oem_id.data()), oem_id.size()}, accepted)) {
      token_access.close(device);
      token_access.remove(device);
      continue;
    }
    std::vector<uint8_t> info;
    int rc = token_operation(device, cmd::get_short_dev_info, {}, &info, {.capacity = short_info_max});
    if (rc == token_exchange_failed) {
      platform::sleep_ms(short_info_retry_ms);
      rc = token_operation(device, cmd::get_short_dev_info, {}, &info, {.capacity = short_info_max});
    }
    if (rc != token_ok) continue;
    const std::string serial = serial_from_short_info(info);
    token_access.set_id(device, serial.c_str());
    names += serial;
    names += '\0';
  }
  return names;
}

std::string list_gone_devices() {
  std::string names;
  for (device_base* d = token_access.first(device_state_gone); d; d = token_access.next(device_state_gone)) {
    names += d->id();
    names += '\0';
  }
  token_manager.purge();
  return names;
}

}  // namespace veltrakey
