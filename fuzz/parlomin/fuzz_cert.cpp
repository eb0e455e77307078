// Every certificate export over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "parlomin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const uint32_t len = static_cast<uint32_t>(size);
  unsigned char out[2048];
  uint32_t out_len = sizeof(out);
  xCert_GetSerialFromCert(data, len, out, &out_len);
  out_len = sizeof(out);
  xCert_GetDerPubKeyFromCert(data, len, out, &out_len);
  BrokenTime not_before, not_after;
  xCert_GetValidPeriodFromCert(data, len, &not_before, &not_after);
  out_len = 0;
  xCert_GetKeyIDFromCert(data, len, out, &out_len);
  out_len = sizeof(out);
  xCert_GetSignKeyIDFromCert(data, len, out, &out_len);
  out_len = sizeof(out);
  xCert_GetIssuerUID(data, len, out, &out_len);
  out_len = sizeof(out);
  xCert_GetSubjectUID(data, len, out, &out_len);
  CertName name;
  xCert_GetIssuerStruct(data, len, &name);
  xCert_GetSubjecttruct(data, len, &name);
  uint32_t is_ca, path_len, usage;
  xCert_GetCABasicConstraintItem(data, len, &is_ca, &path_len);
  out_len = 64;
  xCert_GetUnitCodeItem(data, len, out, &out_len);
  xCert_GetKeyUsage(data, len, &usage);
  OidValue oid{};
  std::memcpy(oid.value, "2.5.29.32", 9);
  oid.length = 9;
  ExtValue value;
  xCert_GetExtendItemByOID(data, len, &oid, &value, 1);
  return 0;
}
