#include <gtest/gtest.h>

#include "token_client.h"

namespace {

using namespace test;
using tokensim::token_interpreter;

bytes file_attributes(const std::string& name, uint32_t size, uint8_t read, uint8_t write) {
  bytes a(44, 0);
  std::copy(name.begin(), name.end(), a.begin());
  const bytes s = be32(size);
  std::copy(s.begin(), s.end(), a.begin() + 32);
  a[36] = read;
  a[40] = write;
  return a;
}

TEST(TokenFiles, RightsSizesAndContents) {
  token_interpreter token("");
  token_client host(token);
  const uint16_t app = host.create_application("bank", "admin123", "user1234", 3, 0x10);
  const uint8_t hi = static_cast<uint8_t>(app >> 8), lo = static_cast<uint8_t>(app);
  const bytes attrs = file_attributes("notes", 100, 0x10, 0x10);
  EXPECT_EQ(host.send(cmd::create_file, {.p1 = hi, .p2 = lo, .data = attrs}).sw, 0x6982);  // create needs the user
  ASSERT_EQ(host.verify_pin(app, 1, "user1234").sw, 0x9000);
  ASSERT_EQ(host.send(cmd::create_file, {.p1 = hi, .p2 = lo, .data = attrs}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::create_file, {.p1 = hi, .p2 = lo, .data = attrs}).sw, 0x6A92);
  EXPECT_EQ(host.send(cmd::get_file_info, {.p1 = hi, .p2 = lo, .data = text("notes")}).data,
            (bytes{0, 0, 0, 100, 0x10, 0, 0, 0, 0x10, 0, 0, 0}));

  const bytes name = text("notes");
  const bytes payload = text("hello token");
  EXPECT_EQ(host.send(cmd::write_file, {.data = cat({be16(app), be16(95), be16(5), name, be16(11), payload})}).sw,
            0x6700);  // past the end of the file
  ASSERT_EQ(host.send(cmd::write_file, {.data = cat({be16(app), be16(10), be16(5), name, be16(11), payload})}).sw,
            0x9000);
  reply r = host.send(cmd::read_file, {.data = cat({be16(app), be16(10), be16(11), be16(5), name}), .le = 11});
  EXPECT_EQ(r.data, payload);
  r = host.send(cmd::read_file, {.data = cat({be16(app), be16(95), be16(50), be16(5), name}), .le = 50});
  EXPECT_EQ(r.data.size(), 5u);  // the end of the file ends the answer

  ASSERT_EQ(host.send(cmd::clear_secure_state, {.data = be16(app)}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::read_file, {.data = cat({be16(app), be16(0), be16(5), be16(5), name}), .le = 5}).sw,
            0x6982);
  EXPECT_EQ(host.send(cmd::get_file_info, {.p1 = hi, .p2 = lo, .data = text("none")}).sw, 0x6A93);
  EXPECT_EQ(host.send(cmd::create_file, {.p1 = hi, .p2 = lo, .data = file_attributes("big", 0x10000, 0xFF, 0xFF)}).sw,
            0x6982);
}

TEST(TokenFiles, EncryptedReadAndWriteRoundTrip) {
  token_interpreter token("");
  token_client host(token);
  const opened o = host.logged_in();
  ASSERT_EQ(host.send(cmd::create_file, {.p1 = static_cast<uint8_t>(o.app >> 8), .p2 = static_cast<uint8_t>(o.app),
                                         .data = file_attributes("secret", 64, 0xFF, 0xFF)})
                .sw,
            0x9000);
  const uint16_t k = host.set_session_key(o.app, o.container, 0x401, bytes(16, 7));
  const bytes ids = cat({be16(o.app), be16(o.container), be16(k)});
  const bytes name = text("secret");
  bytes plain(40);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i);
  // written encrypted in two pieces, the last flagged
  const bytes first(plain.begin(), plain.begin() + 24), second(plain.begin() + 24, plain.end());
  ASSERT_EQ(host.send(cmd::crypt_write_file, {.p1 = 0, .data = cat({be16(o.app), be16(0), be16(6), name, be16(24), ids, first})}).sw, 0x9000);
  ASSERT_EQ(host.send(cmd::crypt_write_file, {.p1 = 1, .data = cat({be16(o.app), be16(24), be16(6), name, be16(16), ids, second})}).sw, 0x9000);
  const reply stored = host.send(cmd::read_file, {.data = cat({be16(o.app), be16(0), be16(40), be16(6), name}), .le = 40});
  EXPECT_NE(stored.data, plain);
  const reply back = host.send(cmd::crypt_read_file, {.p1 = 1, .data = cat({be16(o.app), be16(0), be16(40), be16(6), name, ids}), .le = 40});
  EXPECT_EQ(back.data, plain);
}

TEST(TokenContainers, CertificateTravelsChainedAndComesBackInPortions) {
  token_interpreter token("");
  token_client host(token);
  const opened o = host.logged_in();
  bytes cert(2500);
  for (size_t i = 0; i < cert.size(); ++i) cert[i] = static_cast<uint8_t>(i * 7);

  auto opening = build_command(cmd::import_certificate,
                               {.data = cat({be16(o.app), be16(o.container), bytes{1}, be32(2500)})});
  opening->set_chaining();
  ASSERT_EQ(host.send(*opening).sw, 0x9000);
  for (size_t off = 0; off < cert.size(); off += 992) {
    auto piece = opening->clone_header();
    const size_t n = std::min<size_t>(992, cert.size() - off);
    piece->set_data(cert.data() + off, n);
    if (off + n == cert.size()) piece->clear_chaining();
    ASSERT_EQ(host.send(*piece).sw, 0x9000);
  }

  const reply info = host.send(cmd::get_container_info, {.data = cat({be16(o.app), text("keys")})});
  EXPECT_EQ(info.data, (bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}));

  bytes collected;
  bool first = true;
  for (int guard = 0; guard < 10; ++guard) {
    const reply part = host.send(cmd::export_certificate, {.p1 = 1, .data = cat({be16(o.app), be16(o.container)})});
    ASSERT_TRUE(part.sw == 0x9000 || part.sw == 0x6A9E);
    collected.insert(collected.end(), part.data.begin() + (first ? 4 : 0), part.data.end());
    first = false;
    if (part.sw == 0x9000) break;
  }
  EXPECT_EQ(collected, cert);
  EXPECT_EQ(host.send(cmd::export_certificate, {.p1 = 0, .data = cat({be16(o.app), be16(o.container)})}).sw, 0x6A96);
}

TEST(TokenContainers, ListingAndDeletion) {
  token_interpreter token("");
  token_client host(token);
  const opened o = host.logged_in();
  host.create_container(o.app, "second");
  EXPECT_EQ(host.send(cmd::create_container, {.data = cat({be16(o.app), text("keys")})}).sw, 0x6A89);
  EXPECT_EQ(host.send(cmd::enum_containers, {.data = be16(o.app)}).data, text(std::string("keys\0second\0\0", 13)));
  EXPECT_EQ(host.send(cmd::get_container_name, {.data = cat({be16(o.app), be16(o.container)})}).data, text("keys"));
  EXPECT_EQ(host.send(cmd::delete_container, {.data = cat({be16(o.app), text("keys")})}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::open_container, {.data = cat({be16(o.app), text("keys")})}).sw, 0x6A88);
}

TEST(TokenSessionKeys, FullStoreAnswersNoRoomUntilAKeyGoes) {
  token_interpreter token("");
  token.config().key_store_capacity = 2;
  token_client host(token);
  const opened o = host.logged_in();
  const bytes body = cat({be16(o.app), be16(o.container), be32(0x401), bytes(32, 1)});
  const reply a = host.send(cmd::set_session_key, {.data = body});
  ASSERT_EQ(a.sw, 0x9000);
  ASSERT_EQ(host.send(cmd::generate_session_key, {.data = cat({be16(o.app), be16(o.container), be32(0x402)})}).sw,
            0x9000);
  EXPECT_EQ(host.send(cmd::set_session_key, {.data = body}).sw, 0x6A84);
  EXPECT_EQ(host.send(cmd::destroy_session_key, {.data = cat({be16(o.app), be16(o.container), a.data})}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::destroy_session_key, {.data = cat({be16(o.app), be16(o.container), a.data})}).sw, 0x6A8C);
  EXPECT_EQ(host.send(cmd::set_session_key, {.data = body}).sw, 0x9000);
  // SM1 and SSF33 are not available on this token
  EXPECT_EQ(host.send(cmd::set_session_key, {.data = cat({be16(o.app), be16(o.container), be32(0x101), bytes(32, 1)})}).sw,
            0x6A80);
}

}  // namespace

namespace {

using namespace test;

TEST(TokenFingerprints, EnrolVerifyAndCountFailures) {
  tokensim::token_interpreter token("");
  token_client host(token);
  const uint16_t app = host.create_application("bank", "admin123", "user1234", 3);
  const bytes finger_2 = cat({be16(app), bytes{2}});
  EXPECT_EQ(host.send(cmd::enroll_fingerprint, {.p1 = 1, .p2 = 1, .data = finger_2}).sw, 0x6D00);  // no sensor yet
  ASSERT_TRUE(token.set_fingerprint_sensor(true));
  EXPECT_EQ(host.send(cmd::get_dev_info).data[227], 0x02);  // the device flags say so

  token.config().finger_waits = 1;
  token.config().enroll_presses = 2;
  token.config().finger_on_sensor = 2;
  EXPECT_EQ(host.send(cmd::enroll_fingerprint, {.p1 = 1, .p2 = 1, .data = finger_2}).sw, 0x6F0D);
  EXPECT_EQ(host.send(cmd::enroll_fingerprint, {.p1 = 1, .p2 = 1, .data = finger_2}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::enroll_fingerprint, {.p1 = 0, .p2 = 1, .data = finger_2}).sw, 0x6F18);  // one press left
  EXPECT_EQ(host.send(cmd::enroll_fingerprint, {.p1 = 0, .p2 = 1, .data = finger_2}).sw, 0x9000);

  const bytes verify = cat({be16(app), bytes{0}});
  EXPECT_EQ(host.send(cmd::verify_fingerprint, {.p1 = 1, .p2 = 1, .data = verify}).sw, 0x6F0D);
  EXPECT_EQ(host.send(cmd::verify_fingerprint, {.p1 = 1, .p2 = 1, .data = verify}).sw, 0x9000);
  const reply matched = host.send(cmd::verify_fingerprint, {.p1 = 0, .p2 = 1, .data = verify});
  EXPECT_EQ(matched.sw, 0x9000);
  EXPECT_EQ(matched.data, bytes{2});
  EXPECT_EQ(host.send(cmd::get_app_extended_info, {.data = be16(app)}).data[4], 0x10);  // user verified

  token.config().finger_on_sensor = 7;  // not enrolled
  token.config().finger_waits = 0;
  host.send(cmd::verify_fingerprint, {.p1 = 1, .p2 = 1, .data = verify});
  EXPECT_EQ(host.send(cmd::verify_fingerprint, {.p1 = 0, .p2 = 1, .data = verify}).sw, 0x63C4);
  const reply info = host.send(cmd::get_fingerprint_info, {.p2 = 1, .data = be16(app)});
  ASSERT_GT(info.data.size(), 13u);
  EXPECT_EQ(bytes(info.data.begin(), info.data.begin() + 4), (bytes{1, 1, 5, 4}));
  EXPECT_EQ(host.send(cmd::delete_fingerprint, {.p1 = 0xFF, .p2 = 1, .data = be16(app)}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::delete_fingerprint, {.p1 = 0xFF, .p2 = 1, .data = be16(app)}).sw, 0x6A8B);
}

}  // namespace
