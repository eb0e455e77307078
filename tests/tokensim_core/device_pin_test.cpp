#include <gtest/gtest.h>

#include "token_client.h"

namespace {

using namespace test;
using tokensim::token_interpreter;

const std::string MAC_APP = "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7";

TEST(TokenApplications, CreateNeedsDeviceAuthenticationAndLists) {
  token_interpreter token("");
  token_client host(token);
  bytes record(80, 0);
  EXPECT_EQ(host.send(cmd::create_application, {.data = record}).sw, 0x6982);

  const uint16_t app = host.create_application("bank", "admin123", "user1234");
  EXPECT_NE(app, 0);
  EXPECT_EQ(host.send(cmd::create_application, {.data = record}).sw, 0x6A80);  // empty name

  const reply list = host.send(cmd::enum_application);
  EXPECT_EQ(list.sw, 0x9000);
  EXPECT_EQ(list.data, text(std::string("bank\0\0", 6)));
  EXPECT_EQ(host.send(cmd::open_application, {.data = text("nothing")}).sw, 0x6A88);
  // the host's MAC application exists on every new token
  EXPECT_EQ(host.send(cmd::open_application, {.data = text(MAC_APP)}).sw, 0x9000);
}

TEST(TokenApplications, DeviceAuthenticationCountsFailures) {
  token_interpreter token("");
  token_client host(token);
  EXPECT_EQ(host.send(cmd::dev_auth, {.data = bytes(16, 1)}).sw, 0x6985);  // no challenge yet
  host.send(cmd::gen_random, {.le = 8});
  EXPECT_EQ(host.send(cmd::dev_auth, {.data = bytes(16, 1)}).sw, 0x63C9);
  host.send(cmd::gen_random, {.le = 8});
  // a challenge answers once: replaying an old answer fails too
  EXPECT_EQ(host.send(cmd::dev_auth, {.data = bytes(16, 1)}).sw, 0x63C8);
}

TEST(TokenPins, VerifyCountsDownAndLocks) {
  token_interpreter token("");
  token_client host(token);
  const uint16_t app = host.create_application("bank", "admin123", "user1234", 3);

  EXPECT_EQ(host.verify_pin(app, 1, "user1234").sw, 0x9000);
  reply info = host.send(cmd::get_app_extended_info, {.data = be16(app)});
  ASSERT_EQ(info.data.size(), 8u);
  EXPECT_EQ(info.data[4], 0x10);  // user verified

  EXPECT_EQ(host.verify_pin(app, 1, "wrong").sw, 0x63C2);
  EXPECT_EQ(host.verify_pin(app, 1, "wrong").sw, 0x63C1);
  EXPECT_EQ(host.verify_pin(app, 1, "wrong").sw, 0x63C0);
  EXPECT_EQ(host.verify_pin(app, 1, "user1234").sw, 0x6983);
  info = host.send(cmd::get_pin_info, {.p2 = 1, .data = be16(app)});
  EXPECT_EQ(info.data, (bytes{3, 0, 1}));

  // the administrator PIN is separate; a success restores its counter
  EXPECT_EQ(host.verify_pin(app, 0, "wrong").sw, 0x63C2);
  EXPECT_EQ(host.verify_pin(app, 0, "admin123").sw, 0x9000);
  EXPECT_EQ(host.send(cmd::get_pin_info, {.p2 = 0, .data = be16(app)}).data, (bytes{3, 3, 1}));
}

bytes first4(bytes mac) {
  mac.resize(4);
  return mac;
}

// The MAC the host obtains from the token with the old PIN's key, over the
// new PIN, starting from the challenge area.
bytes token_mac(token_client& host, const bytes& key, const bytes& challenge_area, const std::string& message) {
  const uint16_t mac_app = host.open_application(MAC_APP);
  const reply cont = host.send(cmd::open_container, {.data = cat({be16(mac_app), text(MAC_APP)})});
  const bytes ids_ac = cat({be16(mac_app), cont.data});
  const uint16_t k = host.set_session_key(mac_app, static_cast<uint16_t>(cont.data[0] << 8 | cont.data[1]),
                                          0x401, key);
  const bytes ids = cat({ids_ac, be16(k)});
  EXPECT_EQ(host.send(cmd::mac_init, {.data = cat({ids, be16(16), challenge_area, be32(0), be32(0)})}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::mac_update, {.data = cat({ids, text(message)})}).sw, 0x9000);
  reply mac = host.send(cmd::mac_final, {.data = ids});
  EXPECT_EQ(mac.sw, 0x9000);
  mac.data.resize(4);
  return mac.data;
}

TEST(TokenPins, ChangeChecksTheMacAndUnblockResetsTheUser) {
  token_interpreter token("");
  token_client host(token);
  const uint16_t app = host.create_application("bank", "admin123", "user1234", 3);

  const bytes old_key = pin_key("user1234", true);
  reply challenge = host.send(cmd::gen_random, {.le = 8});
  bytes area = challenge.data;
  area.resize(16, 0);
  const bytes mac = token_mac(host, old_key, area, "newpin99");
  EXPECT_EQ(mac, first4(cbc_mac_sm4(old_key, area, text("newpin99"))));
  const bytes block = pin_block(old_key, text("newpin99"));
  EXPECT_EQ(host.send(cmd::change_pin, {.p2 = 1, .data = cat({be16(app), block, mac})}).sw, 0x9000);
  EXPECT_EQ(host.verify_pin(app, 1, "user1234").sw, 0x63C2);
  EXPECT_EQ(host.verify_pin(app, 1, "newpin99").sw, 0x9000);

  // a wrong MAC counts as a wrong PIN
  host.send(cmd::gen_random, {.le = 8});
  EXPECT_EQ(host.send(cmd::change_pin, {.p2 = 1, .data = cat({be16(app), pin_block(pin_key("newpin99", true),
                                                                                   text("other")),
                                                             bytes(4, 0)})})
                .sw,
            0x63C2);

  // unblock: the new user PIN under the administrator PIN's key
  for (int i = 0; i < 2; ++i) host.verify_pin(app, 1, "bad");
  const bytes admin_key = pin_key("admin123", true);
  challenge = host.send(cmd::gen_random, {.le = 8});
  area = challenge.data;
  area.resize(16, 0);
  const bytes unblock_mac = first4(cbc_mac_sm4(admin_key, area, text("fresh1")));
  EXPECT_EQ(host.send(cmd::unblock_pin, {.data = cat({be16(app), pin_block(admin_key, text("fresh1")), unblock_mac})}).sw,
            0x9000);
  EXPECT_EQ(host.verify_pin(app, 1, "fresh1").sw, 0x9000);
}

TEST(TokenPins, RemoteUnblockAcceptsEitherPadding) {
  token_interpreter token("");
  token_client host(token);
  const uint16_t app = host.create_application("bank", "admin123", "user1234", 3);
  const std::string next = "0123456789abcdef";  // a whole block: the two paddings differ
  const bytes admin_key = pin_key("admin123", true);
  for (bool pad_always : {false, true}) {
    reply random = host.send(cmd::gen_random, {.p1 = 1, .le = 16});
    bytes message = text(next);
    if (pad_always) {
      message.push_back(0x80);
      message.resize(32, 0);
    }
    const bytes mac = cbc_mac_sm4(admin_key, random.data, message);
    const bytes response = cat({pin_block(admin_key, text(next)), first4(mac)});
    EXPECT_EQ(host.send(cmd::remote_unblock_pin, {.data = cat({be16(app), response})}).sw, 0x9000);
  }
  EXPECT_EQ(host.verify_pin(app, 1, next).sw, 0x9000);
}

TEST(TokenCommands, MalformedUnitsAreRefusedNotRun) {
  token_interpreter token("");
  const bytes cases[] = {
      {0x80},                                       // shorter than a header
      {0x80, 0x26, 0, 0, 5, 'a'},                   // short Lc larger than the data
      {0x80, 0x26, 0, 0, 0, 1},                     // extended length cut short
      {0x80, 0x26, 0, 0, 0, 0, 9, 'a', 'b'},        // extended Lc larger than the data
      {0x80, 0x14, 0, 1, 0, 0, 1, 0x00, 0x00, 0x03},  // application id cut short
  };
  for (const bytes& unit : cases) {
    const bytes answer = token.handle(unit.data(), unit.size());
    ASSERT_EQ(answer.size(), 2u);
    EXPECT_EQ(answer[0] << 8 | answer[1], 0x6700);
  }
  const bytes unknown = {0x80, 0xEE, 0, 0};
  const bytes answer = token.handle(unknown.data(), unknown.size());
  EXPECT_EQ(answer[0] << 8 | answer[1], 0x6D00);
}

TEST(TokenCommands, InjectedStatusAnswersInsteadOfTheCommand) {
  token_interpreter token("");
  token_client host(token);
  token.inject_status(0x04, 0x6F00, 1, 1);  // GetShortDevInfo once
  EXPECT_EQ(host.send(cmd::get_short_dev_info).sw, 0x6F00);
  EXPECT_EQ(host.send(cmd::get_dev_info).sw, 0x9000);  // P1 0 untouched
  const reply info = host.send(cmd::get_short_dev_info);
  EXPECT_EQ(info.sw, 0x9000);
  EXPECT_EQ(std::string(info.data.begin() + 32, info.data.begin() + 44), "TS0000000001");
}

TEST(TokenCommands, SettingsFromText) {
  token_interpreter token("");
  token_client host(token);
  EXPECT_FALSE(token.configure("keys=2,bogus=1"));
  EXPECT_FALSE(token.configure("status=zz:6A82"));
  EXPECT_FALSE(token.configure("status=50:6A82:0"));
  EXPECT_EQ(host.send(cmd::gen_random, {.le = 8}).sw, 0x9000);  // nothing applied by the refusals
  ASSERT_TRUE(token.configure("status=50/1:6A82:2,sign-waits=1,fingerprint=on,firmware=0151"));
  EXPECT_EQ(host.send(cmd::gen_random, {.le = 8}).sw, 0x9000);  // P1 0 is not the chosen command
  EXPECT_EQ(host.send(cmd::gen_random, {.p1 = 1, .le = 8}).sw, 0x6A82);
  EXPECT_EQ(host.send(cmd::gen_random, {.p1 = 1, .le = 8}).sw, 0x6A82);
  EXPECT_EQ(host.send(cmd::gen_random, {.p1 = 1, .le = 8}).sw, 0x9000);
  EXPECT_EQ(token.config().interactive_waits, 1);
  const reply info = host.send(cmd::get_dev_info);
  EXPECT_EQ(info.data[227], 0x02);
  EXPECT_EQ(info.data[198], 0x01);
  EXPECT_EQ(info.data[199], 0x51);
}

TEST(TokenCommands, AnswersThatCannotFitAreRefused) {
  token_interpreter token("");
  token_client host(token);
  const opened o = host.logged_in();
  bytes attributes(44, 0);
  attributes[0] = 'f';
  attributes[34] = 0x0F;  // 4000 bytes
  attributes[35] = 0xA0;
  attributes[36] = attributes[40] = 0xFF;
  ASSERT_EQ(host.send(cmd::create_file, {.p1 = static_cast<uint8_t>(o.app >> 8), .p2 = static_cast<uint8_t>(o.app),
                                         .data = attributes})
                .sw,
            0x9000);
  const auto read = [&](uint16_t n) {
    return host.send(cmd::read_file, {.data = cat({be16(o.app), be16(0), be16(n), be16(1), text("f")}), .le = n});
  };
  EXPECT_EQ(read(2000).data.size(), 2000u);
  EXPECT_EQ(read(4000).sw, 0x6700);
}

}  // namespace
