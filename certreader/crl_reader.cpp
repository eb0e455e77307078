// Revoked certificates of a version 2 CRL.
#include <cstring>

#include "cert_time.h"
#include "export_guard.h"
#include "extensions.h"

namespace parlomin {

namespace {

constexpr unsigned char oid_reason_code[] = {0x06, 0x03, 0x55, 0x1D, 0x15};
constexpr size_t max_serial_length = sizeof(CrlEntry::serial);
// An entry without a reasonCode extension is unspecified (0).
constexpr int32_t reason_unspecified = 0;

// The revokedCertificates SEQUENCE; every mismatch is the same CRL error.
status revoked_list(const unsigned char *crl, uint32_t crl_len, byte_span &list) {
  der_reader outer({crl, crl_len});
  der_element whole, tbs, element;
  if (outer.expect(tag::sequence, whole) != PARLOMIN_OK || !outer.at_end()) return PARLOMIN_ERR_CRL;
  if (der_reader(whole.content).expect(tag::sequence, tbs) != PARLOMIN_OK) return PARLOMIN_ERR_CRL;
  der_reader reader(tbs.content);
  constexpr unsigned char leading_tags[] = {tag::integer, tag::sequence, tag::sequence};
  for (unsigned char wanted : leading_tags)
    if (reader.expect(wanted, element) != PARLOMIN_OK) return PARLOMIN_ERR_CRL;
  for (int update = 0; update < 2; ++update) {
    unsigned char t = reader.peek_tag();
    if ((t != tag::utc_time && t != tag::generalized_time) || reader.next(element) != PARLOMIN_OK)
      return PARLOMIN_ERR_CRL;
  }
  if (reader.expect(tag::sequence, element) != PARLOMIN_OK) return PARLOMIN_ERR_CRL;
  list = element.content;
  return PARLOMIN_OK;
}

// reasonCode from the entry's extensions, found by OID among any others.
status entry_reason(byte_span extensions, int32_t &reason) {
  reason = reason_unspecified;
  der_element list;
  der_reader wrapper(extensions);
  if (wrapper.expect(tag::sequence, list) != PARLOMIN_OK || !wrapper.at_end())
    return PARLOMIN_ERR_CRL;
  extension ext;
  bool found = false;
  if (find_extension(list.content, {oid_reason_code, sizeof(oid_reason_code)}, 1, ext, found) !=
      PARLOMIN_OK)
    return PARLOMIN_ERR_CRL;
  if (!found) return PARLOMIN_OK;
  der_element code;
  if (!sole_element(ext.value, tag::enumerated, code) || code.content.size != 1)
    return PARLOMIN_ERR_CRL;
  reason = static_cast<signed char>(code.content.data[0]);
  return PARLOMIN_OK;
}

// One revoked entry: serial, revocation date, optional extensions.
status read_entry(const der_element &entry, CrlEntry &out) {
  der_reader fields(entry.content);
  der_element serial, date;
  if (fields.expect(tag::integer, serial) != PARLOMIN_OK ||
      serial.content.size > max_serial_length || fields.next(date) != PARLOMIN_OK)
    return PARLOMIN_ERR_CRL;
  std::memset(&out, 0, sizeof(out));
  std::memcpy(out.serial, serial.content.data, serial.content.size);
  out.serial_length = static_cast<uint32_t>(serial.content.size);
  if (convert_time(date, out.revocation_date) != PARLOMIN_OK) return PARLOMIN_ERR_CRL;
  out.reason = reason_unspecified;
  if (fields.at_end()) return PARLOMIN_OK;
  return entry_reason(fields.remaining(), out.reason);
}

}  // namespace

}  // namespace parlomin

using namespace parlomin;

extern "C" PARLOMIN_API uint32_t certGetCRLUserInfo(const unsigned char *crl, uint32_t crl_len,
                                                    CrlEntry *entries, uint32_t *count) {
  return guarded([&] {
    if (crl == nullptr) return PARLOMIN_ERR_CRL;
    if (count == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    byte_span list;
    if (status rc = revoked_list(crl, crl_len, list); rc != PARLOMIN_OK) return rc;
    const bool filling = entries != nullptr && *count > 0;
    const uint32_t capacity = filling ? *count : 0;
    uint32_t seen = 0;
    der_reader reader(list);
    while (!reader.at_end()) {
      der_element entry;
      if (reader.expect(tag::sequence, entry) != PARLOMIN_OK) return PARLOMIN_ERR_CRL;
      if (filling && seen == capacity) {
        *count = seen;
        return PARLOMIN_ERR_BUFFER_TOO_SMALL;
      }
      CrlEntry scratch;
      CrlEntry &target = filling ? entries[seen] : scratch;
      if (status rc = read_entry(entry, target); rc != PARLOMIN_OK) return rc;
      if (filling && seen > 0) entries[seen - 1].next = &target;
      ++seen;
    }
    *count = seen;
    return filling ? PARLOMIN_OK : PARLOMIN_ERR_NO_INPUT;
  });
}
