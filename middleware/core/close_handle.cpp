// SKF_CloseHandle: closes session-key, MAC and digest handles. Devices,
// applications and containers have close functions of their own.
#include "core/export_frame.h"
#include "core/handles.h"
#include "protocol/token_operation.h"
#include "skf.h"

namespace veltrakey {
namespace {

void put_be16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

// Frees the key in the token's key store; the handle goes whatever the
// token answers.
void destroy_on_token(gm_sc_dev* device, uint16_t application_id, uint16_t container_id, uint32_t key_id) {
  std::vector<uint8_t> ids;
  put_be16(ids, application_id);
  put_be16(ids, container_id);
  put_be16(ids, key_id);
  token_operation(device->transport, cmd::destroy_session_key, {.data = ids});
}

ULONG close_handle(HANDLE h) {
  if (!h) return SAR_INVALIDHANDLEERR;
  const uintptr_t id = handle_value(h);
  if (const found_digest d = find_digest(h); d.digest) {
    d.device->digests.remove_by_handle(id);
    return SAR_OK;
  }
  if (const found_mac m = find_mac(h); m.mac) {
    destroy_on_token(m.device, m.application->application_id, m.container->container_id, m.mac->key_id);
    m.container->macs.remove_by_handle(id);
    return SAR_OK;
  }
  if (const found_session_key k = find_session_key(h); k.key) {
    if (!k.key->keep_on_token)
      destroy_on_token(k.device, k.application->application_id, k.container->container_id, k.key->key_id);
    k.container->session_keys.remove_by_handle(id);
    return SAR_OK;
  }
  return SAR_INVALIDHANDLEERR;
}

}  // namespace
}  // namespace veltrakey

extern "C" SKF_EXPORT ULONG DEVAPI SKF_CloseHandle(HANDLE hHandle) {
  return veltrakey::locked_export([&]() -> ULONG { return veltrakey::close_handle(hHandle); });
}
