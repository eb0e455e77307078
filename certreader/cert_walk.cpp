#include "cert_walk.h"

namespace parlomin {

namespace {

struct walk_step {
  cert_stage stage;
  unsigned char tag;
  der_element cert_fields::*field;
};

constexpr walk_step walk_steps[] = {
    {cert_stage::serial, tag::integer, &cert_fields::serial},
    {cert_stage::signature, tag::sequence, &cert_fields::signature},
    {cert_stage::issuer, tag::sequence, &cert_fields::issuer},
    {cert_stage::validity, tag::sequence, &cert_fields::validity},
    {cert_stage::subject, tag::sequence, &cert_fields::subject},
    {cert_stage::public_key, tag::sequence, &cert_fields::public_key_info},
};

}  // namespace

status walk_certificate(const unsigned char *cert, uint32_t cert_len, cert_stage upto,
                        cert_fields &fields) {
  if (cert == nullptr) return PARLOMIN_ERR_DATA_ENDED;
  der_reader outer({cert, cert_len});
  der_element certificate, tbs, version;
  if (status rc = outer.expect(tag::sequence, certificate); rc != PARLOMIN_OK) return rc;
  der_reader body(certificate.content);
  if (status rc = body.expect(tag::sequence, tbs); rc != PARLOMIN_OK) return rc;

  der_reader reader(tbs.content);
  bool has_version = false;
  if (status rc = reader.optional(tag::explicit_0, version, has_version); rc != PARLOMIN_OK)
    return rc;
  for (const walk_step &step : walk_steps) {
    if (status rc = reader.expect(step.tag, fields.*step.field); rc != PARLOMIN_OK) return rc;
    if (step.stage == upto) break;
  }
  if (upto == cert_stage::public_key) fields.after_public_key = reader.remaining();
  return PARLOMIN_OK;
}

status read_trailer(byte_span after_public_key, cert_trailer &trailer) {
  der_reader reader(after_public_key);
  der_element extensions, list;
  if (status rc = reader.optional(tag::issuer_unique_id, trailer.issuer_uid, trailer.has_issuer_uid);
      rc != PARLOMIN_OK)
    return rc;
  if (status rc =
          reader.optional(tag::subject_unique_id, trailer.subject_uid, trailer.has_subject_uid);
      rc != PARLOMIN_OK)
    return rc;
  if (reader.at_end()) return PARLOMIN_OK;
  if (status rc = reader.expect(tag::explicit_3, extensions); rc != PARLOMIN_OK) return rc;
  der_reader wrapper(extensions.content);
  if (status rc = wrapper.expect(tag::sequence, list); rc != PARLOMIN_OK) return rc;
  if (!wrapper.at_end() || !reader.at_end()) return PARLOMIN_ERR_BAD_SHAPE;
  trailer.has_extensions = true;
  trailer.extension_list = list.content;
  return PARLOMIN_OK;
}

status certificate_extensions(const unsigned char *cert, uint32_t cert_len, cert_trailer &trailer) {
  cert_fields fields;
  if (status rc = walk_certificate(cert, cert_len, cert_stage::public_key, fields);
      rc != PARLOMIN_OK)
    return rc;
  return read_trailer(fields.after_public_key, trailer);
}

}  // namespace parlomin
