#pragma once
// Bounds-checked reading of command data and big-endian writing of answers.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/status_words.h"

namespace tokensim {

using bytes = std::vector<uint8_t>;

// Reads fields off the front of command data; running short answers 0x6700.
class data_reader {
public:
  explicit data_reader(std::span<const uint8_t> data) : data_(data) {}
  uint8_t u8() { return take(1)[0]; }
  uint16_t u16() {
    auto b = take(2);
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
  }
  uint32_t u32() {
    auto b = take(4);
    return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
  }
  uint32_t u32_le() {
    auto b = take(4);
    return uint32_t{b[3]} << 24 | uint32_t{b[2]} << 16 | uint32_t{b[1]} << 8 | b[0];
  }
  std::span<const uint8_t> take(size_t n) {
    if (n > data_.size() - pos_) throw token_error(SW_WRONG_LENGTH);
    auto out = data_.subspan(pos_, n);
    pos_ += n;
    return out;
  }
  bytes copy(size_t n) {
    auto s = take(n);
    return bytes(s.begin(), s.end());
  }
  std::string text(size_t n) {
    auto s = take(n);
    return std::string(s.begin(), s.end());
  }
  std::span<const uint8_t> rest() { return take(remaining()); }
  size_t remaining() const { return data_.size() - pos_; }

private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

inline void put_u16(bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
inline void put_u32(bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
inline void put_u32_le(bytes& out, uint32_t v) {
  for (int shift = 0; shift <= 24; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
inline void put_bytes(bytes& out, std::span<const uint8_t> b) { out.insert(out.end(), b.begin(), b.end()); }

// A zero-padded text field of a record: the characters up to the first zero.
inline std::string field_text(std::span<const uint8_t> field) {
  std::string s;
  for (uint8_t c : field) {
    if (!c) break;
    s.push_back(static_cast<char>(c));
  }
  return s;
}

}  // namespace tokensim
