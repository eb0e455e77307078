#include "cert_name.h"

#include <cstddef>
#include <cstring>

#include "extensions.h"
#include "gbk_text.h"

namespace parlomin {

namespace {

// Longest raw value and longest BMPString accepted before conversion.
constexpr size_t max_plain_value = 260;
constexpr size_t max_bmp_value = 521;

struct name_slot {
  unsigned char oid[9];
  size_t oid_size;
  size_t offset;
  size_t size;
  bool common_name;
};

const name_slot name_slots[] = {
    {{0x55, 0x04, 0x06}, 3, offsetof(CertName, country), sizeof(CertName::country), false},
    {{0x55, 0x04, 0x08}, 3, offsetof(CertName, state_or_province),
     sizeof(CertName::state_or_province), false},
    {{0x55, 0x04, 0x07}, 3, offsetof(CertName, locality), sizeof(CertName::locality), false},
    {{0x55, 0x04, 0x0A}, 3, offsetof(CertName, organization), sizeof(CertName::organization),
     false},
    {{0x55, 0x04, 0x0B}, 3, offsetof(CertName, organizational_unit),
     sizeof(CertName::organizational_unit), false},
    {{0x55, 0x04, 0x03}, 3, offsetof(CertName, common_name), sizeof(CertName::common_name[0]),
     true},
    {{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x01}, 9, offsetof(CertName, email_address),
     sizeof(CertName::email_address), false},
};

const name_slot *slot_for(byte_span oid) {
  for (const name_slot &slot : name_slots)
    if (same_bytes(oid, {slot.oid, slot.oid_size})) return &slot;
  return nullptr;
}

// The value as slot text; false when it breaks a length rule or cannot be
// converted, in which case the slot is not touched.
bool value_text(const der_element &value, char *text, size_t slot_size, size_t &length) {
  if (value.tag == tag::bmp_string) {
    if (value.content.size > max_bmp_value) return false;
    return ucs2be_to_gbk(value.content, text, slot_size - 1, length);
  }
  if (value.content.size > max_plain_value || value.content.size >= slot_size) return false;
  std::memcpy(text, value.content.data, value.content.size);
  length = value.content.size;
  return true;
}

char *target_slot(CertName &out, const name_slot &slot) {
  char *base = reinterpret_cast<char *>(&out) + slot.offset;
  if (!slot.common_name) return base;
  // Common names fill three slots in turn; a fourth replaces the first.
  for (char(&cn)[100] : out.common_name)
    if (cn[0] == '\0') return cn;
  return base;
}

status read_attribute(const der_element &attribute, CertName &out) {
  der_reader fields(attribute.content);
  der_element oid, value;
  if (status rc = fields.expect(tag::oid, oid); rc != PARLOMIN_OK) return rc;
  if (status rc = fields.next(value); rc != PARLOMIN_OK) return rc;
  const name_slot *slot = slot_for(oid.content);
  if (slot == nullptr) return PARLOMIN_OK;
  char text[100];
  size_t length = 0;
  if (!value_text(value, text, slot->size, length)) return PARLOMIN_OK;
  char *dest = target_slot(out, *slot);
  std::memset(dest, 0, slot->size);
  std::memcpy(dest, text, length);
  return PARLOMIN_OK;
}

}  // namespace

status read_name(const der_element &name, CertName &out) {
  if (name.tag != tag::sequence) return PARLOMIN_ERR_BAD_SHAPE;
  der_reader rdns(name.content);
  while (!rdns.at_end()) {
    der_element rdn;
    if (status rc = rdns.expect(tag::set, rdn); rc != PARLOMIN_OK) return rc;
    der_reader attributes(rdn.content);
    while (!attributes.at_end()) {
      der_element attribute;
      if (status rc = attributes.expect(tag::sequence, attribute); rc != PARLOMIN_OK) return rc;
      if (status rc = read_attribute(attribute, out); rc != PARLOMIN_OK) return rc;
    }
  }
  return PARLOMIN_OK;
}

}  // namespace parlomin
