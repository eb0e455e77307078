#include "der_reader.h"

namespace parlomin {

namespace {

// Definite lengths of one to four length bytes; the indefinite form and
// longer forms are not DER we read.
status read_length(const unsigned char *&p, const unsigned char *end, size_t &length) {
  if (p == end) return PARLOMIN_ERR_DATA_ENDED;
  unsigned char first = *p++;
  if (first < 0x80) {
    length = first;
    return PARLOMIN_OK;
  }
  size_t count = first & 0x7F;
  if (count == 0 || count > 4) return PARLOMIN_ERR_BAD_SHAPE;
  if (static_cast<size_t>(end - p) < count) return PARLOMIN_ERR_DATA_ENDED;
  size_t value = 0;
  for (size_t i = 0; i < count; ++i) value = (value << 8) | *p++;
  length = value;
  return PARLOMIN_OK;
}

}  // namespace

status read_element(byte_span input, der_element &out) {
  const unsigned char *p = input.data;
  const unsigned char *end = input.end();
  if (input.empty()) return PARLOMIN_ERR_DATA_ENDED;
  unsigned char t = *p++;
  size_t length = 0;
  if (status rc = read_length(p, end, length); rc != PARLOMIN_OK) return rc;
  if (static_cast<size_t>(end - p) < length) return PARLOMIN_ERR_DATA_ENDED;
  out.tag = t;
  out.content = {p, length};
  out.encoding = {input.data, static_cast<size_t>(p + length - input.data)};
  return PARLOMIN_OK;
}

status der_reader::next(der_element &out) {
  if (status rc = read_element(rest_, out); rc != PARLOMIN_OK) return rc;
  rest_ = {out.encoding.end(), static_cast<size_t>(rest_.end() - out.encoding.end())};
  return PARLOMIN_OK;
}

status der_reader::expect(unsigned char wanted, der_element &out) {
  if (rest_.empty()) return PARLOMIN_ERR_DATA_ENDED;
  if (peek_tag() != wanted) return PARLOMIN_ERR_BAD_SHAPE;
  return next(out);
}

status der_reader::optional(unsigned char wanted, der_element &out, bool &found) {
  found = !rest_.empty() && peek_tag() == wanted;
  return found ? next(out) : PARLOMIN_OK;
}

bool sole_element(byte_span bytes, unsigned char wanted, der_element &out) {
  return read_element(bytes, out) == PARLOMIN_OK && out.tag == wanted &&
         out.encoding.size == bytes.size;
}

bool integer_value(byte_span content, uint32_t &value) {
  if (content.empty() || (content.data[0] & 0x80)) return false;
  byte_span digits = strip_leading_zeros(content);
  if (digits.size > 4) return false;
  uint32_t v = 0;
  for (size_t i = 0; i < digits.size; ++i) v = (v << 8) | digits.data[i];
  value = v;
  return true;
}

byte_span strip_leading_zeros(byte_span bytes) {
  while (!bytes.empty() && bytes.data[0] == 0) {
    ++bytes.data;
    --bytes.size;
  }
  return bytes;
}

}  // namespace parlomin
