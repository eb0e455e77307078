// Plain Base64 (standard alphabet, "=" padding, no line breaks).
#include <cstring>

#include "parlomin.h"

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr unsigned char not_base64 = 0xFF;

struct decode_table {
  unsigned char value[256];
  constexpr decode_table() : value() {
    for (unsigned char &v : value) v = not_base64;
    for (unsigned i = 0; i < 64; ++i) value[static_cast<unsigned char>(alphabet[i])] = i;
  }
};
constexpr decode_table decoding;

uint64_t encoded_length(uint64_t data_len) { return (data_len + 2) / 3 * 4; }

void encode_group(const unsigned char *in, size_t count, char *out) {
  uint32_t bits = uint32_t{in[0]} << 16;
  if (count > 1) bits |= uint32_t{in[1]} << 8;
  if (count > 2) bits |= in[2];
  out[0] = alphabet[bits >> 18 & 0x3F];
  out[1] = alphabet[bits >> 12 & 0x3F];
  out[2] = count > 1 ? alphabet[bits >> 6 & 0x3F] : '=';
  out[3] = count > 2 ? alphabet[bits & 0x3F] : '=';
}

// Number of "=" at the end of a text, or -1 when padding appears anywhere
// else or a character is outside the alphabet.
int check_text(const char *text, size_t length) {
  size_t padding = 0;
  if (length >= 1 && text[length - 1] == '=') ++padding;
  if (length >= 2 && padding == 1 && text[length - 2] == '=') ++padding;
  for (size_t i = 0; i < length - padding; ++i)
    if (decoding.value[static_cast<unsigned char>(text[i])] == not_base64) return -1;
  return static_cast<int>(padding);
}

}  // namespace

extern "C" PARLOMIN_API int32_t xPemEncode(const unsigned char *data, uint32_t data_len,
                                           char *text, uint32_t *text_len) {
  if (text_len == nullptr) return -1;
  if (data_len == 0) {
    *text_len = 0;
    return 0;
  }
  if (data == nullptr || text == nullptr) return -1;
  const uint64_t needed = encoded_length(data_len);
  if (*text_len < needed) return -1;
  size_t in = 0, out = 0;
  for (; in < data_len; in += 3, out += 4)
    encode_group(data + in, data_len - in < 3 ? data_len - in : 3, text + out);
  // Terminate when there is room, so the text never depends on the buffer
  // having been zero-filled.
  if (*text_len > needed) text[needed] = '\0';
  *text_len = static_cast<uint32_t>(needed);
  return 0;
}

extern "C" PARLOMIN_API int32_t xPemDecode(const char *text, unsigned char *out,
                                           uint32_t *out_len) {
  if (text == nullptr || out_len == nullptr) return -1;
  const size_t length = std::strlen(text);
  if (length % 4 != 0) return -1;
  int padding = check_text(text, length);
  if (padding < 0) return -1;
  const uint64_t decoded = uint64_t{length} / 4 * 3 - static_cast<unsigned>(padding);
  if (decoded > *out_len || (decoded != 0 && out == nullptr)) return -1;
  size_t written = 0;
  for (size_t i = 0; i < length; i += 4) {
    uint32_t bits = 0;
    for (size_t k = 0; k < 4; ++k) {
      unsigned char v = decoding.value[static_cast<unsigned char>(text[i + k])];
      bits = bits << 6 | (v == not_base64 ? 0 : v);
    }
    const unsigned char bytes[3] = {static_cast<unsigned char>(bits >> 16),
                                    static_cast<unsigned char>(bits >> 8),
                                    static_cast<unsigned char>(bits)};
    for (size_t k = 0; k < 3 && written < decoded; ++k) out[written++] = bytes[k];
  }
  *out_len = static_cast<uint32_t>(decoded);
  return 0;
}
