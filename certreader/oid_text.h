// Object identifiers between dotted text and DER.
#pragma once

#include "der_reader.h"

namespace parlomin {

// Dotted text (length from the record) to 06, length, content.
status encode_oid_text(const OidValue &text, OidValue &der);
// DER, with or without its tag and length, to dotted text.
status decode_oid_der(const OidValue &der, OidValue &text);

}  // namespace parlomin
