#include "protocol/gm_apdu.h"

#include <cstring>

namespace veltrakey {

namespace {

constexpr uint32_t EXTENDED_BIT = 0x10;
constexpr uint32_t AUTO_BIT = 0x20;
constexpr int32_t SHORT_LE_MAX = 256;
constexpr int32_t SHORT_LC_MAX = 255;
constexpr int32_t EXT_LE_MAX = 65536;
constexpr int32_t EXT_LC_MAX = 65535;

// 256 (short) and 65536 (extended) are encoded as zero.
void put_le_short(uint8_t* out, int32_t le) { out[0] = static_cast<uint8_t>(le & 0xFF); }
void put_be16(uint8_t* out, int32_t value) {
  out[0] = static_cast<uint8_t>((value >> 8) & 0xFF);
  out[1] = static_cast<uint8_t>(value & 0xFF);
}

}  // namespace

gm_apdu::gm_apdu(uint32_t kind, uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2, const char* name)
    : kind_(kind), cla_(cla), ins_(ins), p1_(p1), p2_(p2) {
  if (name) {
    const size_t n = strnlen(name, APDU_NAME_MAX);
    memcpy(name_, name, n);
    name_[n] = '\0';
  }
}

gm_apdu::~gm_apdu() { wipe_buffers(); }

// Command data may carry PIN blocks and key values.
void gm_apdu::wipe_buffers() {
  if (!data_.empty()) explicit_bzero(data_.data(), data_.size());
  if (!response_.empty()) explicit_bzero(response_.data(), response_.size());
}

void gm_apdu::set_data(const uint8_t* bytes, size_t n) {
  if (!data_.empty()) explicit_bzero(data_.data(), data_.size());
  data_.assign(bytes, bytes + (bytes ? n : 0));
  lc_ = static_cast<int32_t>(data_.size());
  data_length_ = lc_;
  owns_data_ = true;
}

void gm_apdu::set_le(int32_t n) {
  le_ = n;
  response_length_ = n;
}

std::unique_ptr<gm_apdu> gm_apdu::clone_header() const {
  auto copy = std::make_unique<gm_apdu>(kind_, cla_, ins_, p1_, p2_, name_);
  return copy;
}

uint32_t gm_apdu::resolved_kind() const {
  if ((kind_ & ~0x0Fu) != AUTO_BIT) return kind_;
  return (le_ > SHORT_LE_MAX ? EXTENDED_BIT : 0) | (kind_ & 0x0F);
}

bool gm_apdu::valid(uint32_t kind) const {
  if (lc_ < 0 || le_ < 0) return false;
  const uint32_t high = kind & ~0x0Fu;
  if (high == EXTENDED_BIT) {
    if (le_ > EXT_LE_MAX || lc_ > EXT_LC_MAX) return false;
  } else if (high == 0) {
    if (kind != APDU_HEADER_ONLY && (le_ > SHORT_LE_MAX || lc_ > SHORT_LC_MAX)) return false;
  } else {
    return false;
  }
  const bool has_data = owns_data_;
  switch (kind & 0x0F) {
    case 1: return !has_data && lc_ == 0 && le_ == 0;
    case 2: return !has_data && lc_ == 0;
    case 3: return has_data && lc_ != 0 && le_ == 0 && lc_ == data_length_ &&
                   static_cast<size_t>(lc_) == data_.size();
    case 4: return has_data && lc_ != 0 && lc_ == data_length_ &&
                   static_cast<size_t>(lc_) == data_.size();
    default: return false;
  }
}

uint32_t gm_apdu::encoded_length(uint32_t kind) const {
  const uint32_t lc = lc_ > 0 ? static_cast<uint32_t>(lc_) : 0;
  switch (kind) {
    case APDU_HEADER_ONLY: return 4;
    case APDU_SHORT_LE: return 5;
    case APDU_SHORT_DATA:
    case APDU_SHORT_DATA_LE: return lc + 5;
    case APDU_EXT_LE: return 7;
    case APDU_EXT_DATA: return lc + 7;
    case APDU_EXT_DATA_LE: return lc + 9;
    default: return 0;
  }
}

int gm_apdu::serialize(uint8_t* buffer, uint32_t* length) const {
  if (!length) return APDU_INVALID;
  const uint32_t kind = resolved_kind();
  const uint32_t needed = encoded_length(kind);
  if (!buffer) {
    *length = needed;
    return needed ? APDU_OK : APDU_ENCODING_FAILED;
  }
  if (!valid(kind)) return APDU_INVALID;
  if (needed == 0) return APDU_ENCODING_FAILED;
  if (*length < needed) return APDU_BUFFER_TOO_SMALL;

  uint8_t* out = buffer;
  *out++ = cla_;
  *out++ = ins_;
  *out++ = p1_;
  *out++ = p2_;
  switch (kind) {
    case APDU_HEADER_ONLY:
      break;
    case APDU_SHORT_LE:
      put_le_short(out++, le_);
      break;
    case APDU_SHORT_DATA:
    case APDU_SHORT_DATA_LE:  // the short data-and-response form carries no Le byte
      *out++ = static_cast<uint8_t>(lc_);
      memcpy(out, data_.data(), data_.size());
      out += data_.size();
      break;
    case APDU_EXT_LE:
      *out++ = 0;
      put_be16(out, le_);
      out += 2;
      break;
    case APDU_EXT_DATA:
    case APDU_EXT_DATA_LE:
      *out++ = 0;
      put_be16(out, lc_);
      out += 2;
      memcpy(out, data_.data(), data_.size());
      out += data_.size();
      if (kind == APDU_EXT_DATA_LE) {
        put_be16(out, le_);
        out += 2;
      }
      break;
  }
  *length = static_cast<uint32_t>(out - buffer);
  return APDU_OK;
}

int gm_apdu::parse_response(const uint8_t* bytes, size_t n) {
  if (!bytes || n < 2) return APDU_ENCODING_FAILED;
  sw1_ = bytes[n - 2];
  sw2_ = bytes[n - 1];
  if (!response_.empty()) explicit_bzero(response_.data(), response_.size());
  response_.assign(bytes, bytes + (n - 2));
  response_length_ = static_cast<int32_t>(n - 2);
  return APDU_OK;
}

}  // namespace veltrakey
