// Filling a CertName from a certificate's issuer or subject Name.
#pragma once

#include "der_reader.h"

namespace parlomin {

// name is the Name SEQUENCE. Values that do not fit their slot are left out.
status read_name(const der_element &name, CertName &out);

}  // namespace parlomin
