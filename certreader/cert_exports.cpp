// The certificate field exports.
#include <cstring>

#include "cert_name.h"
#include "cert_time.h"
#include "cert_walk.h"
#include "export_guard.h"
#include "extensions.h"
#include "oid_text.h"

namespace parlomin {

namespace {

constexpr unsigned char oid_subject_key_id[] = {0x06, 0x03, 0x55, 0x1D, 0x0E};
constexpr unsigned char oid_key_usage[] = {0x06, 0x03, 0x55, 0x1D, 0x0F};
constexpr unsigned char oid_basic_constraints[] = {0x06, 0x03, 0x55, 0x1D, 0x13};
constexpr unsigned char oid_authority_key_id[] = {0x06, 0x03, 0x55, 0x1D, 0x23};
// Unit code extensions: 1.3.6.1.4.1.5315.100.5.11 and 1.2.86.11.7.3.
constexpr unsigned char oid_unit_code_a[] = {0x06, 0x0A, 0x2B, 0x06, 0x01, 0x04, 0x01,
                                             0xA9, 0x43, 0x64, 0x05, 0x0B};
constexpr unsigned char oid_unit_code_b[] = {0x06, 0x05, 0x2A, 0x56, 0x0B, 0x07, 0x03};

constexpr uint32_t no_path_length = 255;

template <size_t N>
constexpr byte_span span_of(const unsigned char (&bytes)[N]) {
  return {bytes, N};
}

// Stores bytes into a caller buffer whose capacity comes in through *length.
// The stored length is 0 until the copy has happened.
status copy_out(byte_span bytes, unsigned char *out, uint32_t *length, status too_small) {
  if (out == nullptr || length == nullptr) return PARLOMIN_ERR_DATA_ENDED;
  uint32_t capacity = *length;
  *length = 0;
  if (bytes.size > capacity) return too_small;
  if (bytes.size != 0) std::memcpy(out, bytes.data, bytes.size);
  *length = static_cast<uint32_t>(bytes.size);
  return PARLOMIN_OK;
}

// The occurrence-th extension with the OID; found is false both when the
// certificate has no extensions and when none matches.
status cert_extension(const unsigned char *cert, uint32_t cert_len, byte_span oid,
                      int32_t occurrence, extension &out, bool &found) {
  found = false;
  cert_trailer trailer;
  if (status rc = certificate_extensions(cert, cert_len, trailer); rc != PARLOMIN_OK) return rc;
  if (!trailer.has_extensions) return PARLOMIN_OK;
  return find_extension(trailer.extension_list, oid, occurrence, out, found);
}

status unique_id(const unsigned char *cert, uint32_t cert_len, bool subject, unsigned char *out,
                 uint32_t *out_len) {
  if (out == nullptr || out_len == nullptr) return PARLOMIN_ERR_DATA_ENDED;
  cert_fields fields;
  if (status rc = walk_certificate(cert, cert_len, cert_stage::public_key, fields);
      rc != PARLOMIN_OK)
    return rc;
  der_reader reader(fields.after_public_key);
  der_element id;
  bool found = false;
  if (status rc = reader.optional(tag::issuer_unique_id, id, found); rc != PARLOMIN_OK) return rc;
  if (subject)
    if (status rc = reader.optional(tag::subject_unique_id, id, found); rc != PARLOMIN_OK)
      return rc;
  if (!found || id.tag != (subject ? tag::subject_unique_id : tag::issuer_unique_id))
    return PARLOMIN_ERR_NO_ITEM;
  return copy_out(strip_leading_zeros(id.content), out, out_len, PARLOMIN_ERR_BUFFER_TOO_SMALL);
}

status read_cert_name(const unsigned char *cert, uint32_t cert_len, bool subject,
                      CertName *name) {
  if (name == nullptr) return PARLOMIN_ERR_DATA_ENDED;
  std::memset(name, 0, sizeof(*name));
  cert_fields fields;
  cert_stage stage = subject ? cert_stage::subject : cert_stage::issuer;
  if (status rc = walk_certificate(cert, cert_len, stage, fields); rc != PARLOMIN_OK) return rc;
  return read_name(subject ? fields.subject : fields.issuer, *name);
}

// The OID record as DER: dotted text converted, otherwise its bytes as they stand.
status oid_record_der(const OidValue &record, OidValue &der) {
  if (encode_oid_text(record, der) == PARLOMIN_OK) return PARLOMIN_OK;
  if (record.length > sizeof(record.value)) return PARLOMIN_ERR_TOO_LONG;
  der = record;
  return PARLOMIN_OK;
}

}  // namespace

}  // namespace parlomin

using namespace parlomin;

extern "C" {

PARLOMIN_API uint32_t xCert_GetSerialFromCert(const unsigned char *cert, uint32_t cert_len,
                                              unsigned char *out, uint32_t *out_len) {
  return guarded([&] {
    if (out == nullptr || out_len == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    cert_fields fields;
    if (status rc = walk_certificate(cert, cert_len, cert_stage::serial, fields); rc != PARLOMIN_OK)
      return rc;
    return copy_out(fields.serial.content, out, out_len, PARLOMIN_ERR_CAPACITY);
  });
}

PARLOMIN_API uint32_t xCert_GetDerPubKeyFromCert(const unsigned char *cert, uint32_t cert_len,
                                                 unsigned char *out, uint32_t *out_len) {
  return guarded([&] {
    if (out == nullptr || out_len == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    cert_fields fields;
    if (status rc = walk_certificate(cert, cert_len, cert_stage::public_key, fields);
        rc != PARLOMIN_OK)
      return rc;
    der_reader reader(fields.public_key_info.content);
    der_element algorithm, key;
    if (status rc = reader.expect(tag::sequence, algorithm); rc != PARLOMIN_OK) return rc;
    if (status rc = reader.expect(tag::bit_string, key); rc != PARLOMIN_OK) return rc;
    // Dropping the leading zeros also drops the unused-bits byte.
    return copy_out(strip_leading_zeros(key.content), out, out_len, PARLOMIN_ERR_CAPACITY);
  });
}

PARLOMIN_API uint32_t xCert_GetValidPeriodFromCert(const unsigned char *cert, uint32_t cert_len,
                                                   BrokenTime *not_before, BrokenTime *not_after) {
  return guarded([&] {
    if (not_before == nullptr || not_after == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    cert_fields fields;
    if (status rc = walk_certificate(cert, cert_len, cert_stage::validity, fields);
        rc != PARLOMIN_OK)
      return rc;
    der_reader reader(fields.validity.content);
    der_element first, last;
    if (status rc = reader.next(first); rc != PARLOMIN_OK) return rc;
    if (status rc = reader.next(last); rc != PARLOMIN_OK) return rc;
    if (status rc = convert_time(first, *not_before); rc != PARLOMIN_OK) return rc;
    return convert_time(last, *not_after);
  });
}

PARLOMIN_API uint32_t xCert_GetKeyIDFromCert(const unsigned char *cert, uint32_t cert_len,
                                             unsigned char *out, uint32_t *out_len) {
  return guarded([&] {
    if (out == nullptr || out_len == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    extension ext;
    bool found = false;
    if (status rc = cert_extension(cert, cert_len, span_of(oid_subject_key_id), 1, ext, found);
        rc != PARLOMIN_OK)
      return rc;
    if (!found) return PARLOMIN_ERR_NO_SUBJECT_KEY_ID;
    der_element key_id;
    if (!sole_element(ext.value, tag::octet_string, key_id)) return PARLOMIN_ERR_BAD_SHAPE;
    if (key_id.content.size > max_value_length) return PARLOMIN_ERR_TOO_LONG;
    std::memcpy(out, key_id.content.data, key_id.content.size);
    *out_len = static_cast<uint32_t>(key_id.content.size);
    return PARLOMIN_OK;
  });
}

PARLOMIN_API uint32_t xCert_GetSignKeyIDFromCert(const unsigned char *cert, uint32_t cert_len,
                                                 unsigned char *out, uint32_t *out_len) {
  return guarded([&] {
    if (out == nullptr || out_len == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    extension ext;
    bool found = false;
    if (status rc = cert_extension(cert, cert_len, span_of(oid_authority_key_id), 1, ext, found);
        rc != PARLOMIN_OK)
      return rc;
    der_element identifier;
    bool has_identifier = false;
    if (found) {
      der_element sequence;
      der_reader value(unwrap_value(ext.value));
      if (status rc = value.expect(tag::sequence, sequence); rc != PARLOMIN_OK) return rc;
      der_reader fields(sequence.content);
      if (status rc = fields.optional(tag::context_0, identifier, has_identifier);
          rc != PARLOMIN_OK)
        return rc;
    }
    if (!has_identifier) {
      *out_len = 0;
      return PARLOMIN_OK;
    }
    return copy_out(identifier.content, out, out_len, PARLOMIN_ERR_CAPACITY);
  });
}

PARLOMIN_API uint32_t xCert_GetIssuerUID(const unsigned char *cert, uint32_t cert_len,
                                         unsigned char *out, uint32_t *out_len) {
  return guarded([&] { return unique_id(cert, cert_len, false, out, out_len); });
}

PARLOMIN_API uint32_t xCert_GetSubjectUID(const unsigned char *cert, uint32_t cert_len,
                                          unsigned char *out, uint32_t *out_len) {
  return guarded([&] { return unique_id(cert, cert_len, true, out, out_len); });
}

PARLOMIN_API uint32_t xCert_GetIssuerStruct(const unsigned char *cert, uint32_t cert_len,
                                            CertName *name) {
  return guarded([&] { return read_cert_name(cert, cert_len, false, name); });
}

PARLOMIN_API uint32_t xCert_GetSubjecttruct(const unsigned char *cert, uint32_t cert_len,
                                            CertName *name) {
  return guarded([&] { return read_cert_name(cert, cert_len, true, name); });
}

PARLOMIN_API uint32_t xCert_GetCABasicConstraintItem(const unsigned char *cert, uint32_t cert_len,
                                                     uint32_t *is_ca, uint32_t *path_len) {
  return guarded([&] {
    if (is_ca == nullptr || path_len == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    *is_ca = 0;
    *path_len = 0;
    extension ext;
    bool found = false;
    if (status rc = cert_extension(cert, cert_len, span_of(oid_basic_constraints), 1, ext, found);
        rc != PARLOMIN_OK)
      return rc;
    if (!found) return PARLOMIN_OK;
    der_element sequence;
    if (!sole_element(unwrap_value(ext.value), tag::sequence, sequence)) return PARLOMIN_ERR_FORMAT;
    // The empty SEQUENCE of an end-entity certificate is answered as a format
    // error, as callers have always seen it.
    if (sequence.content.size <= 2) return PARLOMIN_ERR_FORMAT;
    der_reader fields(sequence.content);
    der_element ca, path;
    bool has_ca = false, has_path = false;
    if (fields.optional(tag::boolean, ca, has_ca) != PARLOMIN_OK) return PARLOMIN_ERR_FORMAT;
    if (!has_ca || ca.content.size != 1 || ca.content.data[0] == 0) return PARLOMIN_OK;
    if (fields.optional(tag::integer, path, has_path) != PARLOMIN_OK) return PARLOMIN_ERR_FORMAT;
    uint32_t path_value = no_path_length;
    if (has_path && !integer_value(path.content, path_value)) return PARLOMIN_ERR_FORMAT;
    *is_ca = 1;
    *path_len = path_value;
    return PARLOMIN_OK;
  });
}

PARLOMIN_API uint32_t xCert_GetUnitCodeItem(const unsigned char *cert, uint32_t cert_len,
                                            unsigned char *out, uint32_t *out_len) {
  return guarded([&] {
    if (out == nullptr || out_len == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    cert_trailer trailer;
    if (status rc = certificate_extensions(cert, cert_len, trailer); rc != PARLOMIN_OK) return rc;
    byte_span unit_code;  // stays empty without extensions
    extension_reader reader(trailer.extension_list);
    while (!reader.at_end()) {
      extension ext;
      if (reader.next(ext) != PARLOMIN_OK) return PARLOMIN_ERR_EXTENSIONS;
      if (same_bytes(ext.oid, span_of(oid_unit_code_a)) ||
          same_bytes(ext.oid, span_of(oid_unit_code_b))) {
        unit_code = unwrap_value(ext.value);  // a later one replaces an earlier one
        if (unit_code.size > max_value_length) return PARLOMIN_ERR_TOO_LONG;
      }
    }
    uint32_t capacity = *out_len;
    if (unit_code.size > capacity) return PARLOMIN_ERR_BUFFER_TOO_SMALL;
    std::memset(out, 0, capacity);
    if (!unit_code.empty()) std::memcpy(out, unit_code.data, unit_code.size);
    *out_len = static_cast<uint32_t>(unit_code.size);
    return PARLOMIN_OK;
  });
}

PARLOMIN_API uint32_t xCert_GetExtendItemByOID(const unsigned char *cert, uint32_t cert_len,
                                               const OidValue *oid, ExtValue *value,
                                               int32_t occurrence) {
  return guarded([&] {
    if (oid == nullptr || value == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    std::memset(value, 0, sizeof(*value));
    OidValue der{};
    if (status rc = oid_record_der(*oid, der); rc != PARLOMIN_OK) return rc;
    extension ext;
    bool found = false;
    if (status rc = cert_extension(cert, cert_len, {der.value, der.length}, occurrence, ext, found);
        rc != PARLOMIN_OK)
      return rc;
    if (!found) return PARLOMIN_ERR_NO_ITEM;
    byte_span content = unwrap_value(ext.value);
    if (content.size > max_value_length) return PARLOMIN_ERR_TOO_LONG;
    if (!content.empty()) std::memcpy(value->value, content.data, content.size);
    value->length = static_cast<uint32_t>(content.size);
    return PARLOMIN_OK;
  });
}

PARLOMIN_API uint32_t xCert_GetKeyUsage(const unsigned char *cert, uint32_t cert_len,
                                        uint32_t *usage) {
  return guarded([&] {
    if (usage == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    OidValue oid{};
    std::memcpy(oid.value, oid_key_usage, sizeof(oid_key_usage));
    oid.length = sizeof(oid_key_usage);
    ExtValue value;
    if (status rc = xCert_GetExtendItemByOID(cert, cert_len, &oid, &value, 1); rc != PARLOMIN_OK)
      return rc;
    der_element bits;
    if (!sole_element({value.value, value.length}, tag::bit_string, bits) ||
        (bits.content.size != 2 && bits.content.size != 3))
      return PARLOMIN_ERR_FORMAT;
    unsigned unused = bits.content.data[0];
    if (unused > 7) return PARLOMIN_ERR_FORMAT;
    unsigned char flags[2] = {bits.content.data[1], 0};
    if (bits.content.size == 3) flags[1] = bits.content.data[2];
    flags[bits.content.size - 2] &= static_cast<unsigned char>(0xFF << unused);
    *usage = static_cast<uint32_t>(flags[0]) << 8 | flags[1];
    return PARLOMIN_OK;
  });
}

}  // extern "C"
