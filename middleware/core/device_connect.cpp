// Finding tokens and connecting to them.
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/device_frame.h"
#include "core/device_info.h"
#include "core/device_naming.h"
#include "core/export_frame.h"
#include "core/library_config.h"
#include "core/library_state.h"

namespace veltrakey {
namespace {

constexpr int enum_attempts = 5;
constexpr size_t enum_bytes_per_path = 32;

// One enumeration attempt under the lock. `capacity` is the caller's buffer
// length as given at entry.
ULONG enumerate_once(char* list, ULONG capacity, ULONG* size) {
  return locked_export([&]() -> ULONG {
    *size = 0;
    const int paths = token_access.refresh(enum_device_string().c_str());
    if (paths <= 0) return SAR_DEVICE_REMOVED;
    if (list == nullptr) {
      *size = static_cast<ULONG>(enum_bytes_per_path * paths + 2);
      return SAR_OK;
    }
    const std::string names = list_devices(device_state_unknown);
    if (names.empty()) return SAR_FAIL;
    *size = capacity;
    return copy_name_list(names, max_enum_list, list, size);
  });
}

// 0, 1 (no such object) or 2 (it would not open), or an SKF code from the
// device information read.
ULONG connect_transport(gm_sc_dev& device) {
  device_base* transport = nullptr;
  const int found = token_access.open_by_id(std::string(device.name()).c_str(), &transport);
  if (found != 0) return static_cast<ULONG>(found);
  device.transport = transport;
  device.transport_path = transport->path();
  device.connected = 1;
  std::vector<uint8_t> answer;
  const int rc = token_operation(transport, cmd::get_dev_info, {}, &answer, {.capacity = device_info_max});
  if (rc != token_ok) return token_failure(rc);
  const uint32_t max_data = parse_device_info(answer).max_data();
  // A token that reports no usable buffer keeps the default piece size.
  if (max_data > 0) {
    device.max_data = max_data;
    max_apdu_data = max_data;
  }
  uint32_t limit = 0;
  if (token_access.query_limit(transport, &limit) == 0) device.device_limit = limit;
  return SAR_OK;
}

constexpr ULONG not_found = 1, open_failed = 2;

}  // namespace
}  // namespace veltrakey

using namespace veltrakey;

extern "C" SKF_EXPORT ULONG DEVAPI SKF_EnumDev(BOOL /*bPresent*/, LPSTR szNameList, ULONG* pulSize) {
  return guarded_export([&]() -> ULONG {
    if (pulSize == nullptr) return SAR_INVALIDPARAMERR;
    // Every attempt is measured against the caller's own buffer length, not
    // against a size an earlier attempt cleared.
    const ULONG capacity = *pulSize;
    ULONG result = SAR_DEVICE_REMOVED;
    for (int attempt = 0; attempt < enum_attempts; ++attempt) {
      ULONG size = 0;
      result = enumerate_once(szNameList, capacity, &size);
      *pulSize = size;
      if ((result == SAR_OK && size != 0) || result == SAR_BUFFER_TOO_SMALL) return result;
      *pulSize = 0;
    }
    return result;
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI SKF_ConnectDev(LPSTR szName, DEVHANDLE* phDev) {
  return locked_export([&]() -> ULONG {
    if (szName == nullptr || *szName == '\0') return SAR_DEVICE_REMOVED;
    if (phDev == nullptr || !text_fits(szName, gm_sc_dev::name_capacity)) return SAR_INVALIDPARAMERR;
    auto device = std::make_unique<gm_sc_dev>(szName);
    ULONG rc = connect_transport(*device);
    if (rc == not_found) {
      if (token_access.refresh(enum_device_string().c_str()) <= 0) return SAR_FAIL;
      token_manager.purge();
      (void)list_devices(device_state_unknown);  // names the objects by serial number
      rc = connect_transport(*device);
    }
    if (rc == not_found || rc == open_failed) return SAR_DEVICE_REMOVED;
    if (rc != SAR_OK) return rc;
    *phDev = device->as_handle();
    device_list.append(device.release());
    return SAR_OK;
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI SKF_DisConnectDev(DEVHANDLE hDev) {
  return locked_export([&]() -> ULONG {
    gm_sc_dev* device = find_device(hDev);
    if (device == nullptr) return SAR_INVALIDPARAMERR;
    // The transport stays open in the manager; no command is sent.
    return device_list.remove_by_handle(device->handle_id());
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI SKF_GetDevState(LPSTR szDevName, ULONG* pulDevState) {
  return locked_export([&]() -> ULONG {
    if (szDevName == nullptr || pulDevState == nullptr) return SAR_INVALIDPARAMERR;
    *pulDevState = DEV_ABSENT_STATE;
    device_base* transport = token_access.find_by_id(szDevName);
    if (transport == nullptr) return SAR_OK;
    std::vector<uint8_t> answer;
    command_args args;
    const int rc = token_operation(transport, cmd::get_fs_max_cap, args, &answer, {.capacity = 4});
    if (rc == token_ok && answer.size() == 4 && (answer[0] | answer[1] | answer[2] | answer[3]) != 0)
      *pulDevState = DEV_PRESENT_STATE;
    return SAR_OK;
  });
}

namespace veltrakey {
namespace {

// The adoption rule: besides the general rule, an identifier equal to the
// whole accepted list is taken.
bool adopted_oem_accepted(const std::string& oem_id) {
  const std::string accepted = oem_id_list();
  const auto bytes = std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(oem_id.data()), oem_id.size());
  return oem_accepted(bytes, accepted) || std::string(oem_id.c_str()) == accepted;
}

constexpr uint16_t sw_short_info_unsupported = 0x6F00;

}  // namespace
}  // namespace veltrakey

extern "C" SKF_EXPORT ULONG DEVAPI XKF_AddConnectedDev(LPSTR szPath, HANDLE hOsDevice, DEVHANDLE* phDev) {
  return locked_export([&]() -> ULONG {
    if (szPath == nullptr || phDev == nullptr || !text_fits(szPath, device_path_capacity)) return SAR_INVALIDPARAMERR;
    const intptr_t fd = reinterpret_cast<intptr_t>(hOsDevice);
    if (fd < 0 || fd > INT32_MAX) return SAR_INVALIDPARAMERR;
    device_base* transport = token_manager.add_connected(szPath, static_cast<int>(fd));
    if (transport == nullptr) return SAR_FAIL;
    // Whatever fails below takes the adopted transport out again.
    auto drop_transport = [&] {
      token_access.close(transport);
      token_access.remove(transport);
    };
    auto device = std::make_unique<gm_sc_dev>("");
    device->transport = transport;
    device->transport_path = transport->path();
    device->connected = 1;

    std::vector<uint8_t> info;
    const int rc = token_operation(transport, cmd::get_short_dev_info, {}, &info, {.capacity = short_info_max});
    if (rc != token_ok && !(rc == token_status_failed && last_sw == sw_short_info_unsupported)) {
      const ULONG code = token_failure(rc);
      drop_transport();
      return code;
    }
    device->max_data = default_max_apdu_data;
    max_apdu_data = default_max_apdu_data;
    token_access.set_id(transport, serial_from_short_info(info).c_str());

    std::string oem_id;
    if (read_oem_id(transport, oem_id) && !adopted_oem_accepted(oem_id)) {
      drop_transport();
      return SAR_FAIL;
    }
    *phDev = device->as_handle();
    device_list.append(device.release());
    return SAR_OK;
  });
}
