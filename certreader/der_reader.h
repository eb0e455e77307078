// Bounded DER walking: every element is read with the general length form and
// checked against the bytes that remain, so no lookup ever leaves its input.
#pragma once

#include <cstddef>
#include <cstdint>

#include "parlomin.h"

namespace parlomin {

using status = uint32_t;

// A view of bytes that never extends past what the caller handed in.
struct byte_span {
  const unsigned char *data = nullptr;
  size_t size = 0;

  bool empty() const { return size == 0; }
  const unsigned char *end() const { return data + size; }
};

// One element: its tag, its content, and the whole encoding.
struct der_element {
  unsigned char tag = 0;
  byte_span content;
  byte_span encoding;
};

// Universal and context tags the readers look for.
namespace tag {
constexpr unsigned char boolean = 0x01;
constexpr unsigned char integer = 0x02;
constexpr unsigned char bit_string = 0x03;
constexpr unsigned char octet_string = 0x04;
constexpr unsigned char oid = 0x06;
constexpr unsigned char enumerated = 0x0A;
constexpr unsigned char ia5_string = 0x16;
constexpr unsigned char utc_time = 0x17;
constexpr unsigned char generalized_time = 0x18;
constexpr unsigned char bmp_string = 0x1E;
constexpr unsigned char sequence = 0x30;
constexpr unsigned char set = 0x31;
constexpr unsigned char context_0 = 0x80;
constexpr unsigned char issuer_unique_id = 0x81;
constexpr unsigned char subject_unique_id = 0x82;
constexpr unsigned char explicit_0 = 0xA0;
constexpr unsigned char explicit_3 = 0xA3;
}  // namespace tag

// Reads elements one after another from a span.
class der_reader {
 public:
  explicit der_reader(byte_span input) : rest_(input) {}

  bool at_end() const { return rest_.empty(); }
  // Tag of the next element, or 0 at the end.
  unsigned char peek_tag() const { return rest_.empty() ? 0 : rest_.data[0]; }
  byte_span remaining() const { return rest_; }

  // Reads the next element whatever its tag.
  status next(der_element &out);
  // Reads the next element and requires its tag.
  status expect(unsigned char wanted, der_element &out);
  // Reads the next element only when it carries the tag; found says whether it did.
  status optional(unsigned char wanted, der_element &out, bool &found);

 private:
  byte_span rest_;
};

// Reads one element from the start of input (trailing bytes are allowed).
status read_element(byte_span input, der_element &out);

// True when bytes are exactly one element carrying the tag.
bool sole_element(byte_span bytes, unsigned char wanted, der_element &out);

// Content of an INTEGER as a non-negative value of at most 32 bits.
bool integer_value(byte_span content, uint32_t &value);

// Bytes with every leading zero byte dropped.
byte_span strip_leading_zeros(byte_span bytes);

}  // namespace parlomin
