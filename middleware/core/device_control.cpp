// Work on a connected token as a whole: label, information, locking, raw
// commands, authentication, random bytes and the OEM area.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/device_frame.h"
#include "core/device_info.h"
#include "core/export_frame.h"
#include "core/pieces.h"
#include "core/library_config.h"
#include "core/library_state.h"
#include "hostcrypto/secure_buffer.h"

namespace veltrakey {
namespace {

constexpr size_t max_label = 31;
constexpr size_t random_piece = 1024;
constexpr size_t raw_hwsn_max = 256;
// Offsets of the OEM area travel in P1 P2.
constexpr uint64_t oem_area_end = 0x10000;
// Room for the longest answer a transport delivers.
constexpr size_t transmit_capacity = 0x10000 + 2;

std::span<const uint8_t> bytes_of(const void* data, size_t length) {
  return {static_cast<const uint8_t*>(data), length};
}

// GetDevInfo into a parsed record; an SKF code on failure.
ULONG read_device_info(gm_sc_dev& device, device_info& out) {
  std::vector<uint8_t> answer;
  const int rc = token_operation(device.transport, cmd::get_dev_info, {}, &answer, {.capacity = device_info_max});
  if (rc != token_ok) return token_failure(rc);
  out = parse_device_info(answer);
  return SAR_OK;
}

}  // namespace
}  // namespace veltrakey

using namespace veltrakey;

extern "C" SKF_EXPORT ULONG DEVAPI SKF_SetLabel(DEVHANDLE hDev, LPSTR szLabel) {
  return locked_export([&]() -> ULONG {
    gm_sc_dev* device = find_device(hDev);
    if (device == nullptr || !text_fits(szLabel, max_label)) return SAR_INVALIDPARAMERR;
    command_args args;
    args.data = bytes_of(szLabel, strlen(szLabel));
    const int rc = token_operation(device->transport, cmd::set_label, args);
    return rc == token_ok ? SAR_OK : token_failure(rc);
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI SKF_GetDevInfo(DEVHANDLE hDev, DEVINFO* pDevInfo) {
  return locked_export([&]() -> ULONG {
    gm_sc_dev* device = find_device(hDev);
    if (device == nullptr || pDevInfo == nullptr) return SAR_INVALIDPARAMERR;
    device_info parsed;
    if (const ULONG rc = read_device_info(*device, parsed); rc != SAR_OK) return rc;
    if (parsed.flags & device_flag_fingerprint) parsed.info.AlgHashCap |= fingerprint_hash_caps;
    memcpy(pDevInfo, &parsed.info, sizeof(DEVINFO));
    return SAR_OK;
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI XKF_GetDeviceCaps(DEVHANDLE hDev, BYTE* pbDevInfo, ULONG* pulCaps,
                                                     ULONG* pulFlags) {
  return locked_export([&]() -> ULONG {
    gm_sc_dev* device = find_device(hDev);
    if (device == nullptr || pbDevInfo == nullptr || pulCaps == nullptr || pulFlags == nullptr)
      return SAR_INVALIDPARAMERR;
    device_info parsed;
    if (const ULONG rc = read_device_info(*device, parsed); rc != SAR_OK) return rc;
    memcpy(pbDevInfo, &parsed.info, sizeof(DEVINFO));
    *pulCaps = parsed.capabilities;
    *pulFlags = parsed.flags;
    return SAR_OK;
  });
}

// Holds the library lock across calls of this thread until SKF_UnlockDev.
extern "C" SKF_EXPORT ULONG DEVAPI SKF_LockDev(DEVHANDLE /*hDev*/, ULONG ulTimeOut) {
  return guarded_export([&]() -> ULONG {
    // A lock that was not obtained is reported, never passed off as held.
    return library_mutex.lock(library_lock_name, ulTimeOut) ? SAR_OK : SAR_TIMEOUTERR;
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI SKF_UnlockDev(DEVHANDLE /*hDev*/) {
  return guarded_export([&]() -> ULONG {
    library_mutex.unlock();
    return SAR_OK;
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI SKF_Transmit(DEVHANDLE hDev, BYTE* pbCommand, ULONG ulCommandLen, BYTE* pbData,
                                                ULONG* pulDataLen) {
  return locked_export([&]() -> ULONG {
    gm_sc_dev* device = find_device(hDev);
    if (device == nullptr || pbCommand == nullptr || ulCommandLen == 0 || pbData == nullptr || pulDataLen == nullptr)
      return SAR_INVALIDPARAMERR;
    std::vector<uint8_t> answer(transmit_capacity);
    size_t length = answer.size();
    if (token_access.transmit_raw(device->transport, pbCommand, ulCommandLen, answer.data(), &length) != 0 ||
        length > answer.size()) {
      last_sw = sw_send_failed;
      return sw_to_sar();
    }
    // The whole answer, status word included, whatever the status.
    if (*pulDataLen < length) {
      *pulDataLen = static_cast<ULONG>(length);
      return SAR_BUFFER_TOO_SMALL;
    }
    memcpy(pbData, answer.data(), length);
    *pulDataLen = static_cast<ULONG>(length);
    return SAR_OK;
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI SKF_DevAuth(DEVHANDLE hDev, BYTE* pbAuthData, ULONG ulLen) {
  return locked_export([&]() -> ULONG {
    gm_sc_dev* device = find_device(hDev);
    if (device == nullptr || pbAuthData == nullptr || !device->connected) return SAR_INVALIDPARAMERR;
    command_args args;
    args.data = bytes_of(pbAuthData, ulLen);
    const int rc = token_operation(device->transport, cmd::dev_auth, args);
    if (rc != token_ok) return auth_failure(rc);
    device->authenticated = 1;
    return SAR_OK;
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI SKF_ChangeDevAuthKey(DEVHANDLE hDev, BYTE* pbKeyValue, ULONG ulKeyLen) {
  return locked_export([&]() -> ULONG {
    gm_sc_dev* device = find_device(hDev);
    if (device == nullptr || pbKeyValue == nullptr || !device->authenticated) return SAR_INVALIDPARAMERR;
    command_args args;
    args.data = bytes_of(pbKeyValue, ulKeyLen);
    const int rc = token_operation(device->transport, cmd::change_dev_auth_key_ex, args);
    return rc == token_ok ? SAR_OK : auth_failure(rc);
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI SKF_GenRandom(DEVHANDLE hDev, BYTE* pbRandom, ULONG ulRandomLen) {
  return locked_export([&]() -> ULONG {
    gm_sc_dev* device = find_device(hDev);
    if (device == nullptr || pbRandom == nullptr) return SAR_INVALIDPARAMERR;
    // Gathered privately: the caller sees the bytes only once all arrived.
    secure_buffer collected(ulRandomLen);
    std::vector<uint8_t> piece;
    const ULONG rc = for_each_piece(ulRandomLen, random_piece, [&](size_t offset, size_t wanted) -> ULONG {
      command_args args;
      args.p1 = 0;
      args.le = static_cast<int32_t>(wanted);
      const int result = token_operation(device->transport, cmd::gen_random, args, &piece, {.capacity = wanted});
      if (result != token_ok) return token_failure(result);
      // A short answer would leave predictable bytes behind.
      if (piece.size() != wanted) return SAR_FAIL;
      std::copy(piece.begin(), piece.end(), collected.data() + offset);
      explicit_bzero(piece.data(), piece.size());
      return SAR_OK;
    });
    if (rc != SAR_OK) return rc;
    if (ulRandomLen) memcpy(pbRandom, collected.data(), ulRandomLen);
    return SAR_OK;
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI XKF_GetRawHWSN(DEVHANDLE hDev, BYTE* pbData, ULONG* pulLen) {
  return locked_export([&]() -> ULONG {
    gm_sc_dev* device = find_device(hDev);
    if (device == nullptr || pulLen == nullptr) return SAR_INVALIDPARAMERR;
    std::vector<uint8_t> answer;
    const int rc = token_operation(device->transport, cmd::get_raw_hwsn, {}, &answer, {.capacity = raw_hwsn_max});
    if (rc != token_ok) return token_failure(rc);
    return copy_sized_output(answer, pbData, pulLen);
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI XKF_WriteOemInfo(DEVHANDLE hDev, ULONG ulOffset, ULONG ulLen, BYTE* pbData) {
  return locked_export([&]() -> ULONG {
    gm_sc_dev* device = find_device(hDev);
    if (device == nullptr || (ulLen != 0 && pbData == nullptr)) return SAR_INVALIDPARAMERR;
    // Offsets travel in two bytes; data past them would wrap onto the start.
    if (uint64_t{ulOffset} + ulLen > oem_area_end) return SAR_INVALIDPARAMERR;
    const size_t piece_size = max_apdu_data ? max_apdu_data : default_max_apdu_data;
    return for_each_piece(ulLen, piece_size, [&](size_t done, size_t n) -> ULONG {
      const size_t offset = ulOffset + done;
      command_args args;
      args.p1 = static_cast<uint8_t>(offset >> 8);
      args.p2 = static_cast<uint8_t>(offset);
      args.data = bytes_of(pbData + done, n);
      const int rc = token_operation(device->transport, cmd::write_oem_info, args);
      return rc == token_ok ? SAR_OK : token_failure(rc);
    });
  });
}
