// Base64 against fixed texts and against OpenSSL's encoder.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <random>
#include <string>

#include "parlomin.h"
#include "test_support.h"

using parlomin_test::bytes;

namespace {

TEST(Base64, EncodesKnownTexts) {
  struct row {
    bytes data;
    const char *text;
  } rows[] = {
      {{'a', 'b', 'c'}, "YWJj"},
      {{0x00}, "AA=="},
      {{0xFF, 0xFE}, "//4="},
      {{'h', 'e', 'l', 'l', 'o', '!', '?'}, "aGVsbG8hPw=="},
  };
  for (const row &r : rows) {
    char text[16];
    std::memset(text, 'x', sizeof(text));  // terminated even in an unprepared buffer
    uint32_t text_len = sizeof(text);
    ASSERT_EQ(xPemEncode(r.data.data(), static_cast<uint32_t>(r.data.size()), text, &text_len), 0);
    EXPECT_STREQ(text, r.text);
    EXPECT_EQ(text_len, std::strlen(r.text));

    // Exactly the text's size fits too, with no room for a terminator.
    text_len = static_cast<uint32_t>(std::strlen(r.text));
    EXPECT_EQ(xPemEncode(r.data.data(), static_cast<uint32_t>(r.data.size()), text, &text_len), 0);
    text_len -= 1;
    EXPECT_EQ(xPemEncode(r.data.data(), static_cast<uint32_t>(r.data.size()), text, &text_len), -1);

    unsigned char out[16];
    uint32_t out_len = sizeof(out);
    ASSERT_EQ(xPemDecode(r.text, out, &out_len), 0);
    EXPECT_EQ(bytes(out, out + out_len), r.data);
    out_len = static_cast<uint32_t>(r.data.size() - 1);
    EXPECT_EQ(xPemDecode(r.text, out, &out_len), -1) << "capacity is checked";
  }
  uint32_t text_len = 7;
  EXPECT_EQ(xPemEncode(nullptr, 0, nullptr, &text_len), 0);
  EXPECT_EQ(text_len, 0u);
}

TEST(Base64, RefusesMalformedText) {
  const char *rows[] = {"YWJ",  "YWJjZ", "YWJjZA", "YW=j", "=WJj", "Y===",
                        "YWJ*", "YW\nJ", "YWJj====", "A=A="};
  for (const char *text : rows) {
    unsigned char out[16];
    uint32_t out_len = sizeof(out);
    EXPECT_EQ(xPemDecode(text, out, &out_len), -1) << text;
  }
  unsigned char out[1];
  uint32_t out_len = 0;
  EXPECT_EQ(xPemDecode("", out, &out_len), 0);
  EXPECT_EQ(out_len, 0u);
}

TEST(Base64, MatchesOpensslOnRandomData) {
  std::mt19937 rng(3);
  for (size_t n = 1; n < 300; n += 7) {
    bytes data(n);
    for (unsigned char &b : data) b = static_cast<unsigned char>(rng());
    std::string want(4 * ((n + 2) / 3) + 1, '\0');
    EVP_EncodeBlock(reinterpret_cast<unsigned char *>(want.data()), data.data(),
                    static_cast<int>(n));
    want.pop_back();
    std::string text(want.size() + 1, '\0');
    uint32_t text_len = static_cast<uint32_t>(text.size());
    ASSERT_EQ(xPemEncode(data.data(), static_cast<uint32_t>(n), text.data(), &text_len), 0);
    EXPECT_EQ(text.substr(0, text_len), want);
    bytes back(n);
    uint32_t back_len = static_cast<uint32_t>(n);
    ASSERT_EQ(xPemDecode(want.c_str(), back.data(), &back_len), 0);
    EXPECT_EQ(back, data);
  }
}

}  // namespace
