#pragma once
// One token command unit and, once executed, its response.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace veltrakey {

// Encoding kinds of a command unit.
enum apdu_kind : uint32_t {
  APDU_HEADER_ONLY = 0x01,
  APDU_SHORT_LE = 0x02,
  APDU_SHORT_DATA = 0x03,
  APDU_SHORT_DATA_LE = 0x04,
  APDU_EXT_LE = 0x12,
  APDU_EXT_DATA = 0x13,
  APDU_EXT_DATA_LE = 0x14,
  APDU_AUTO_LE = 0x22,
  APDU_AUTO_DATA = 0x23,
  APDU_AUTO_DATA_LE = 0x24,
};

// Result codes of serialize() and parse_response().
enum apdu_result : int {
  APDU_OK = 0,
  APDU_INVALID = -1300,
  APDU_BUFFER_TOO_SMALL = -1303,
  APDU_ENCODING_FAILED = -1400,
};

inline constexpr uint8_t APDU_CHAINING_BIT = 0x10;
inline constexpr size_t APDU_NAME_MAX = 64;

class gm_apdu {
public:
  gm_apdu() = default;
  gm_apdu(uint32_t kind, uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2, const char* name);
  ~gm_apdu();
  gm_apdu(const gm_apdu&) = delete;
  gm_apdu& operator=(const gm_apdu&) = delete;
  gm_apdu(gm_apdu&&) noexcept = default;
  gm_apdu& operator=(gm_apdu&&) noexcept = default;

  void set_data(const uint8_t* bytes, size_t n);
  void set_le(int32_t n);
  void set_timeout(uint32_t ms) { timeout_ = ms; }
  void set_chaining() { cla_ |= APDU_CHAINING_BIT; }
  void clear_chaining() { cla_ &= static_cast<uint8_t>(~APDU_CHAINING_BIT); }
  std::unique_ptr<gm_apdu> clone_header() const;

  // With a null buffer only *length is set, to the size the serialised form
  // needs; with a buffer, *length is its capacity on entry and the bytes
  // written on return.
  int serialize(uint8_t* buffer, uint32_t* length) const;
  int parse_response(const uint8_t* bytes, size_t n);

  std::span<const uint8_t> response_data() const { return response_; }
  uint16_t status_word() const { return static_cast<uint16_t>(sw1_ * 256 + sw2_); }

  uint32_t kind() const { return kind_; }
  uint8_t cla() const { return cla_; }
  uint8_t ins() const { return ins_; }
  uint8_t p1() const { return p1_; }
  uint8_t p2() const { return p2_; }
  int32_t lc() const { return lc_; }
  int32_t le() const { return le_; }
  uint32_t timeout() const { return timeout_; }
  const char* name() const { return name_; }
  std::span<const uint8_t> data() const { return data_; }
  bool owns_data() const { return owns_data_; }

  // Raw field access for records built by hand (and for tests of validation).
  void set_kind(uint32_t kind) { kind_ = kind; }
  void set_lc(int32_t lc) { lc_ = lc; }

private:
  uint32_t resolved_kind() const;
  bool valid(uint32_t kind) const;
  uint32_t encoded_length(uint32_t kind) const;
  void wipe_buffers();

  uint32_t kind_ = 0;
  uint8_t cla_ = 0, ins_ = 0, p1_ = 0, p2_ = 0;
  int32_t lc_ = 0;
  int32_t le_ = 0;
  bool owns_data_ = false;
  std::vector<uint8_t> data_;
  int32_t data_length_ = 0;
  std::vector<uint8_t> response_;
  int32_t response_length_ = 0;
  int32_t sw1_ = 0, sw2_ = 0;
  char name_[APDU_NAME_MAX + 1] = {};
  uint32_t timeout_ = 0;
};

}  // namespace veltrakey
