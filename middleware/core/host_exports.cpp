// Vendor functions computed on the host alone: no token, no handle, no lock.
#include <string.h>

#include <string_view>

#include "core/export_frame.h"
#include "hostcrypto/pin_block.h"
#include "hostcrypto/rsa_key_blob.h"
#include "skf.h"

namespace veltrakey {
namespace {

// Their own results: 0 success, 1 refusal.
constexpr ULONG host_ok = 0;
constexpr ULONG host_refused = 1;

ULONG remote_unlock_export(BYTE* pbRandom, LPSTR szAdminPin, LPSTR szNewUserPin, BYTE* pbResponse, ULONG* pulLen,
                           mac_padding padding) {
  return guarded_export([&]() -> ULONG {
    if (!pbRandom || !szAdminPin || !szNewUserPin || !pbResponse || !pulLen) return SAR_INVALIDPARAMERR;
    // A new PIN the block cannot carry whole is refused rather than cut.
    if (!text_fits(szNewUserPin, max_remote_unlock_pin)) return host_refused;
    const secure_buffer response = remote_unlock_response(pbRandom, szAdminPin, szNewUserPin, padding);
    if (*pulLen < response.size()) return host_refused;
    memcpy(pbResponse, response.data(), response.size());
    *pulLen = static_cast<ULONG>(response.size());
    return host_ok;
  });
}

}  // namespace
}  // namespace veltrakey

using namespace veltrakey;

extern "C" SKF_EXPORT ULONG DEVAPI XKF_GenRemoteUnlockResponse(BYTE* pbRandom, LPSTR szAdminPin, LPSTR szNewUserPin,
                                                               BYTE* pbResponse, ULONG* pulLen) {
  return remote_unlock_export(pbRandom, szAdminPin, szNewUserPin, pbResponse, pulLen, mac_padding::always);
}

extern "C" SKF_EXPORT ULONG DEVAPI XKF_GenRemoteUnlockResponseEx(BYTE* pbRandom, LPSTR szAdminPin,
                                                                 LPSTR szNewUserPin, BYTE* pbResponse,
                                                                 ULONG* pulLen) {
  return remote_unlock_export(pbRandom, szAdminPin, szNewUserPin, pbResponse, pulLen, mac_padding::when_incomplete);
}

extern "C" SKF_EXPORT ULONG DEVAPI XKF_X509Der2RSAPRIVATEKEYBLOB(BYTE* pbDer, ULONG ulDerLen,
                                                                 RSAPRIVATEKEYBLOB* pBlob) {
  return guarded_export([&]() -> ULONG {
    if (!pbDer || !pBlob) return host_refused;
    return rsa_der_to_blob({pbDer, ulDerLen}, *pBlob) ? host_ok : host_refused;
  });
}
