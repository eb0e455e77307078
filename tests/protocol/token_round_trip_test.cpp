// The command layer and the host's PIN code against the virtual token core:
// what the host sends is what the token understands.
#include <gtest/gtest.h>

#include <string>

#include "core/status_word.h"
#include "core/token_interpreter.h"
#include "hostcrypto/pin_block.h"
#include "protocol/command_chain.h"
#include "scripted_device.h"

namespace {

using namespace veltrakey;
using namespace test;

const std::string mac_app = "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7";
const operation_options known{.known = always_known};

bytes join(bytes a, const bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
bytes text(const std::string& s) { return bytes(s.begin(), s.end()); }

class TokenRoundTrip : public ::testing::Test {
protected:
  void SetUp() override {
    std::vector<uint8_t> out;
    ASSERT_EQ(token_operation(&device, cmd::open_application, {.data = text(mac_app)}, &out, known), token_ok);
    app = bytes(out.begin() + 8, out.end());
    ASSERT_EQ(token_operation(&device, cmd::open_container, {.data = join(app, text(mac_app))}, &out, known),
              token_ok);
    container = out;
  }

  int verify_user(const std::string& pin) {
    std::vector<uint8_t> challenge;
    if (token_operation(&device, cmd::gen_random, {.le = 8}, &challenge, known) != token_ok) return -1;
    const secure_buffer block = pin_block(pin_key(pin, pin_key_mode::verification), challenge);
    return token_operation(&device, cmd::verify_pin, {.p2 = 1, .data = join(app, bytes(block.data(), block.data() + block.size()))},
                           nullptr, known);
  }

  tokensim::token_interpreter token{""};
  scripted_device device{&token};
  bytes app, container;
};

TEST_F(TokenRoundTrip, ChainedCertificateImportAndPortionedExport) {
  const bytes opening = join(join(app, container), {1, 0, 0, 0x09, 0xC4});
  const bytes cert(2500, 0x33);
  // importing needs the user: without it the assembled chain is refused
  EXPECT_EQ(send_chained(&device, build_command(cmd::import_certificate, {.data = opening}), cert, 992, always_known),
            token_status_failed);
  EXPECT_EQ(last_sw, 0x6982);

  ASSERT_EQ(verify_user("12345678"), token_ok);
  ASSERT_EQ(send_chained(&device, build_command(cmd::import_certificate, {.data = opening}), cert, 992, always_known),
            token_ok);
  std::vector<uint8_t> portion, collected;
  operation_options accepting = known;
  accepting.also_accepted = sw_more_data;
  do {
    ASSERT_EQ(token_operation(&device, cmd::export_certificate, {.p1 = 1, .data = join(app, container)}, &portion,
                              accepting),
              token_ok);
    collected.insert(collected.end(), portion.begin(), portion.end());
  } while (last_sw == sw_more_data);
  EXPECT_EQ(bytes(collected.begin() + 4, collected.end()), cert);
}

TEST_F(TokenRoundTrip, HostPinCodeAndRemoteUnblock) {
  EXPECT_EQ(verify_user("wrong"), token_status_failed);
  EXPECT_EQ(last_sw, 0x63C9);
  std::vector<uint8_t> challenge;
  ASSERT_EQ(token_operation(&device, cmd::gen_random, {.p1 = 1, .le = 16}, &challenge, known), token_ok);
  const secure_buffer response =
      remote_unlock_response(challenge.data(), "12345678", "0123456789abcdef", mac_padding::always);
  ASSERT_EQ(token_operation(&device, cmd::remote_unblock_pin, {.data = join(app, bytes(response.data(), response.data() + response.size()))},
                            nullptr, known),
            token_ok);
  EXPECT_EQ(verify_user("0123456789abcdef"), token_ok);
}

}  // namespace
