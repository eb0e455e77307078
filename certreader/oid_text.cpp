#include "oid_text.h"

#include <cstdio>
#include <cstring>

#include "export_guard.h"

namespace parlomin {

namespace {

constexpr size_t max_text_length = 98;   // leaves room for the terminator
constexpr size_t max_content_length = 98;
constexpr size_t max_arcs = 1000;
constexpr size_t max_number_digits = 29;
constexpr size_t max_subidentifier_bytes = 5;

// Reads one base-128 sub-identifier of at most 32 bits.
bool read_subidentifier(const unsigned char *&p, const unsigned char *end, uint32_t &value) {
  if (p == end || *p == 0x80) return false;  // a leading 0x80 is not minimal
  uint64_t v = 0;
  for (size_t count = 1; p != end; ++count) {
    if (count > max_subidentifier_bytes) return false;
    unsigned char byte = *p++;
    v = (v << 7) | (byte & 0x7F);
    if (v > UINT32_MAX) return false;
    if (!(byte & 0x80)) {
      value = static_cast<uint32_t>(v);
      return true;
    }
  }
  return false;  // the last byte still announced a following one
}

// Appends base-128 groups, most significant first.
size_t write_subidentifier(uint64_t value, unsigned char *out) {
  unsigned char groups[10];
  size_t count = 0;
  do {
    groups[count++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  for (size_t i = 0; i < count; ++i)
    out[i] = groups[count - 1 - i] | (i + 1 < count ? 0x80 : 0x00);
  return count;
}

// Splits dotted text into arcs; false on anything but digits and single dots.
bool parse_arcs(const unsigned char *text, size_t length, uint32_t *arcs, size_t &count) {
  count = 0;
  size_t start = 0;
  for (size_t i = 0; i <= length; ++i) {
    if (i < length && text[i] >= '0' && text[i] <= '9') continue;
    if (i < length && text[i] != '.') return false;
    size_t digits = i - start;
    if (digits == 0 || digits > max_number_digits || count == max_arcs) return false;
    uint64_t value = 0;
    for (size_t k = start; k < i; ++k) {
      value = value * 10 + (text[k] - '0');
      if (value > UINT32_MAX) return false;
    }
    arcs[count++] = static_cast<uint32_t>(value);
    start = i + 1;
  }
  return count >= 2;
}

}  // namespace

status encode_oid_text(const OidValue &text, OidValue &der) {
  if (text.length < 1 || text.length > sizeof(text.value)) return PARLOMIN_ERR_OID_VALUE;
  uint32_t arcs[max_arcs];
  size_t count = 0;
  if (!parse_arcs(text.value, text.length, arcs, count)) return PARLOMIN_ERR_OID_VALUE;
  // The first two arcs share one sub-identifier; only 0, 1 and 2 exist at
  // the top, and below 0 and 1 there are 40 arcs.
  if (arcs[0] > 2 || (arcs[0] < 2 && arcs[1] >= 40)) return PARLOMIN_ERR_OID_VALUE;
  unsigned char content[max_content_length + 10];
  size_t size = write_subidentifier(uint64_t{arcs[0]} * 40 + arcs[1], content);
  for (size_t i = 2; i < count; ++i) {
    size += write_subidentifier(arcs[i], content + size);
    if (size > max_content_length) return PARLOMIN_ERR_OID_ENCODE;
  }
  if (size > max_content_length) return PARLOMIN_ERR_OID_ENCODE;
  std::memset(&der, 0, sizeof(der));
  der.value[0] = tag::oid;
  der.value[1] = static_cast<unsigned char>(size);
  std::memcpy(der.value + 2, content, size);
  der.length = static_cast<uint32_t>(size + 2);
  return PARLOMIN_OK;
}

status decode_oid_der(const OidValue &der, OidValue &text) {
  if (der.length > sizeof(der.value)) return PARLOMIN_ERR_OID_VALUE;
  char out[sizeof(text.value)] = {};
  size_t used = 0;
  if (der.length >= 2) {
    const unsigned char *p = der.value;
    const unsigned char *end = der.value + der.length;
    if (p[0] == tag::oid && der.length == size_t{p[1]} + 2) p += 2;
    if (p == end) return PARLOMIN_ERR_OID_VALUE;
    for (size_t arc = 0; p != end; ++arc) {
      uint32_t value = 0;
      if (arc == max_arcs || !read_subidentifier(p, end, value)) return PARLOMIN_ERR_OID_VALUE;
      char piece[24];
      int n = arc > 0 ? std::snprintf(piece, sizeof(piece), ".%u", value)
              : value < 80 ? std::snprintf(piece, sizeof(piece), "%u.%u", value / 40, value % 40)
                           : std::snprintf(piece, sizeof(piece), "2.%u", value - 80);
      if (used + static_cast<size_t>(n) > max_text_length) return PARLOMIN_ERR_OID_VALUE;
      std::memcpy(out + used, piece, static_cast<size_t>(n));
      used += static_cast<size_t>(n);
    }
  }
  std::memset(&text, 0, sizeof(text));
  std::memcpy(text.value, out, used);
  text.length = static_cast<uint32_t>(used);
  return PARLOMIN_OK;
}

}  // namespace parlomin

using namespace parlomin;

extern "C" PARLOMIN_API uint32_t certTranOIDValue(const OidValue *in, OidValue *out,
                                                  int32_t direction) {
  return guarded([&] {
    if (in == nullptr || out == nullptr) return PARLOMIN_ERR_DATA_ENDED;
    OidValue result{};
    status rc = direction != 0 ? decode_oid_der(*in, result) : encode_oid_text(*in, result);
    if (rc == PARLOMIN_OK) *out = result;
    return rc;
  });
}
