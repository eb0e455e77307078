#pragma once
// A byte vector that is wiped before its memory is released, for PINs, keys
// and anything derived from them.
#include <string.h>

#include <cstdint>
#include <vector>

namespace veltrakey {

class secure_buffer {
public:
  secure_buffer() = default;
  explicit secure_buffer(size_t size) : bytes_(size, 0) {}
  secure_buffer(const secure_buffer&) = delete;
  secure_buffer& operator=(const secure_buffer&) = delete;
  secure_buffer(secure_buffer&& other) noexcept : bytes_(std::move(other.bytes_)) {}
  secure_buffer& operator=(secure_buffer&& other) noexcept {
    wipe();
    bytes_ = std::move(other.bytes_);
    return *this;
  }
  ~secure_buffer() { wipe(); }

  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  uint8_t& operator[](size_t i) { return bytes_[i]; }
  const uint8_t& operator[](size_t i) const { return bytes_[i]; }

private:
  void wipe() {
    if (!bytes_.empty()) explicit_bzero(bytes_.data(), bytes_.size());
  }
  std::vector<uint8_t> bytes_;
};

}  // namespace veltrakey
