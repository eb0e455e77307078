// Base64 decoding of arbitrary text, and encoding of arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "parlomin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size);  // NUL-terminated copy
  std::vector<unsigned char> out(size / 4 * 3 + 1);
  uint32_t out_len = static_cast<uint32_t>(out.size());
  xPemDecode(text.c_str(), out.data(), &out_len);
  // A capacity one short of the decoded size must be refused, not overrun.
  std::vector<unsigned char> tight(out_len > 0 ? out_len - 1 : 0);
  uint32_t tight_len = static_cast<uint32_t>(tight.size());
  xPemDecode(text.c_str(), tight.data(), &tight_len);

  std::vector<char> encoded((size + 2) / 3 * 4 + 1);
  uint32_t encoded_len = static_cast<uint32_t>(encoded.size());
  xPemEncode(data, static_cast<uint32_t>(size), encoded.data(), &encoded_len);
  return 0;
}
