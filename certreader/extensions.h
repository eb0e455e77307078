// Walking a certificate's extensions and taking their values.
#pragma once

#include "der_reader.h"

namespace parlomin {

struct extension {
  byte_span oid;       // the whole DER encoding: 06, length, content
  bool critical = false;
  byte_span value;     // content of extnValue
};

// Values copied into callers' fixed slots are at most this long.
constexpr size_t max_value_length = 100;

class extension_reader {
 public:
  explicit extension_reader(byte_span list) : reader_(list) {}
  bool at_end() const { return reader_.at_end(); }
  status next(extension &out);

 private:
  der_reader reader_;
};

// The value inside extnValue: the content of an OCTET STRING or IA5String that
// exactly fills it, otherwise extnValue's whole content.
byte_span unwrap_value(byte_span value);

// The occurrence-th extension (1 = first) whose OID encoding equals oid.
status find_extension(byte_span list, byte_span oid, int32_t occurrence, extension &out,
                      bool &found);

bool same_bytes(byte_span a, byte_span b);

}  // namespace parlomin
