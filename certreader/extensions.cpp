#include "extensions.h"

#include <cstring>

namespace parlomin {

status extension_reader::next(extension &out) {
  der_element sequence, oid, critical, value;
  if (status rc = reader_.expect(tag::sequence, sequence); rc != PARLOMIN_OK) return rc;
  der_reader fields(sequence.content);
  if (status rc = fields.expect(tag::oid, oid); rc != PARLOMIN_OK) return rc;
  bool has_critical = false;
  if (status rc = fields.optional(tag::boolean, critical, has_critical); rc != PARLOMIN_OK)
    return rc;
  if (has_critical && critical.content.size != 1) return PARLOMIN_ERR_BAD_SHAPE;
  if (status rc = fields.expect(tag::octet_string, value); rc != PARLOMIN_OK) return rc;
  if (!fields.at_end()) return PARLOMIN_ERR_BAD_SHAPE;
  out.oid = oid.encoding;
  out.critical = has_critical && critical.content.data[0] != 0;
  out.value = value.content;
  return PARLOMIN_OK;
}

byte_span unwrap_value(byte_span value) {
  der_element inner;
  if (read_element(value, inner) != PARLOMIN_OK) return value;
  bool wrapper = inner.tag == tag::octet_string || inner.tag == tag::ia5_string;
  return wrapper && inner.encoding.size == value.size ? inner.content : value;
}

bool same_bytes(byte_span a, byte_span b) {
  return a.size == b.size && (a.size == 0 || std::memcmp(a.data, b.data, a.size) == 0);
}

status find_extension(byte_span list, byte_span oid, int32_t occurrence, extension &out,
                      bool &found) {
  found = false;
  extension_reader reader(list);
  int32_t seen = 0;
  while (!reader.at_end()) {
    extension current;
    if (status rc = reader.next(current); rc != PARLOMIN_OK) return rc;
    if (same_bytes(current.oid, oid) && ++seen == occurrence) {
      out = current;
      found = true;
      return PARLOMIN_OK;
    }
  }
  return PARLOMIN_OK;
}

}  // namespace parlomin
