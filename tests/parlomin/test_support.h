// Helpers shared by the reader's suites: fixture loading, a small DER
// builder for shapes openssl cannot make, and GBK text for comparisons.
#pragma once

#include <iconv.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include <openssl/x509.h>

namespace parlomin_test {

using bytes = std::vector<unsigned char>;

inline bytes load_fixture(const std::string &name) {
  std::ifstream in(std::string(PARLOMIN_FIXTURES) + "/" + name, std::ios::binary);
  return bytes(std::istreambuf_iterator<char>(in), {});
}

inline bytes der_length(size_t n) {
  if (n < 0x80) return {static_cast<unsigned char>(n)};
  bytes out;
  for (size_t v = n; v != 0; v >>= 8) out.insert(out.begin(), static_cast<unsigned char>(v));
  out.insert(out.begin(), static_cast<unsigned char>(0x80 | out.size()));
  return out;
}

inline bytes tlv(unsigned char tag, const bytes &content) {
  bytes out{tag};
  bytes length = der_length(content.size());
  out.insert(out.end(), length.begin(), length.end());
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

inline bytes cat(std::initializer_list<bytes> parts) {
  bytes out;
  for (const bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline bytes text_bytes(const std::string &s) { return bytes(s.begin(), s.end()); }

inline bytes seq(std::initializer_list<bytes> parts) { return tlv(0x30, cat(parts)); }

inline bytes attribute(const bytes &oid_content, unsigned char string_tag, const bytes &value) {
  return tlv(0x31, seq({tlv(0x06, oid_content), tlv(string_tag, value)}));
}

inline bytes utc(const std::string &text) { return tlv(0x17, text_bytes(text)); }

inline bytes extension(const bytes &oid_content, const bytes &value, bool critical = false) {
  bytes flag = critical ? bytes{0x01, 0x01, 0xFF} : bytes{};
  return seq({tlv(0x06, oid_content), flag, tlv(0x04, value)});
}

// The parts of a hand-made certificate; each is a complete encoding.
struct cert_parts {
  bytes version = tlv(0xA0, tlv(0x02, {0x02}));
  bytes serial = tlv(0x02, {0x01, 0x23});
  bytes signature = seq({tlv(0x06, {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x0B}),
                         tlv(0x05, {})});
  bytes issuer = seq({attribute({0x55, 0x04, 0x03}, 0x0C, text_bytes("Issuer"))});
  bytes validity = seq({utc("240101000000Z"), utc("340101000000Z")});
  bytes subject = seq({attribute({0x55, 0x04, 0x03}, 0x0C, text_bytes("Subject"))});
  bytes public_key = seq({seq({tlv(0x06, {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01}),
                               tlv(0x06, {0x2A, 0x81, 0x1C, 0xCF, 0x55, 0x01, 0x82, 0x2D})}),
                          tlv(0x03, cat({{0x00, 0x04}, bytes(64, 0x5A)}))});
  bytes trailer;  // unique IDs and extensions, already encoded

  bytes build() const {
    bytes tbs = seq({version, serial, signature, issuer, validity, subject, public_key, trailer});
    return seq({tbs, signature, tlv(0x03, {0x00, 0x01, 0x02})});
  }
};

inline bytes extensions_block(std::initializer_list<bytes> list) {
  return tlv(0xA3, seq(list));
}

// UTF-8 text in the GBK code page, as the reader reports BMPString values.
inline std::string gbk(const std::string &utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  std::string out(utf8.size() * 2 + 4, '\0');
  char *in = const_cast<char *>(utf8.data());
  size_t in_left = utf8.size(), out_left = out.size();
  char *dest = out.data();
  iconv(cd, &in, &in_left, &dest, &out_left);
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

struct x509_deleter {
  void operator()(X509 *x) const { X509_free(x); }
};

}  // namespace parlomin_test
