// Locates the fields of a certificate's tbsCertificate in order, stopping as
// soon as the field an export needs has been reached.
#pragma once

#include "der_reader.h"

namespace parlomin {

enum class cert_stage { serial, signature, issuer, validity, subject, public_key };

struct cert_fields {
  der_element serial;
  der_element signature;
  der_element issuer;
  der_element validity;
  der_element subject;
  der_element public_key_info;
  // What follows subjectPublicKeyInfo inside tbsCertificate (set when the
  // walk went that far).
  byte_span after_public_key;
};

// Walks from the outer SEQUENCE up to and including the stage.
status walk_certificate(const unsigned char *cert, uint32_t cert_len, cert_stage upto,
                        cert_fields &fields);

// The optional unique IDs and extensions after subjectPublicKeyInfo.
struct cert_trailer {
  bool has_issuer_uid = false;
  bool has_subject_uid = false;
  bool has_extensions = false;
  der_element issuer_uid;
  der_element subject_uid;
  byte_span extension_list;  // content of the SEQUENCE OF Extension
};

// Unique IDs are taken only when present; anything other than the extensions
// after them is a shape error.
status read_trailer(byte_span after_public_key, cert_trailer &trailer);

// Walks the whole certificate and its trailer; the usual start of the
// extension-reading exports.
status certificate_extensions(const unsigned char *cert, uint32_t cert_len, cert_trailer &trailer);

}  // namespace parlomin
