#include "token_client.h"

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <algorithm>

namespace test {

reply token_client::send(const gm_apdu& apdu) {
  uint32_t length = 0;
  apdu.serialize(nullptr, &length);
  bytes unit(length);
  EXPECT_EQ(apdu.serialize(unit.data(), &length), 0) << apdu.name();
  const bytes answer = token_.handle(unit.data(), length);
  EXPECT_GE(answer.size(), 2u);
  if (answer.size() < 2) return {};
  return {bytes(answer.begin(), answer.end() - 2),
          static_cast<uint16_t>(answer[answer.size() - 2] << 8 | answer.back())};
}

bytes be16(uint16_t v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }
bytes be32(uint32_t v) {
  return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
          static_cast<uint8_t>(v)};
}
bytes cat(std::initializer_list<bytes> parts) {
  bytes out;
  for (const bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
bytes text(const std::string& s) { return bytes(s.begin(), s.end()); }

bytes sm4_ecb(const bytes& key, const bytes& data, bool encrypt) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  bytes out(data.size() + 16);
  int n = 0, tail = 0;
  EVP_CipherInit_ex(ctx, EVP_sm4_ecb(), nullptr, key.data(), nullptr, encrypt);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_CipherUpdate(ctx, out.data(), &n, data.data(), static_cast<int>(data.size()));
  EVP_CipherFinal_ex(ctx, out.data() + n, &tail);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(static_cast<size_t>(n + tail));
  return out;
}

bytes pin_key(const std::string& pin, bool change_mode) {
  bytes copy(64, 0);
  const size_t n = std::min(pin.size(), size_t{change_mode ? 64u : 32u});
  std::copy_n(pin.begin(), n, copy.begin());
  const size_t covered = change_mode ? 16 : std::max<size_t>(n, 16);
  bytes digest(SHA_DIGEST_LENGTH);
  SHA1(copy.data(), covered, digest.data());
  digest.resize(16);
  return digest;
}

bytes pin_block(const bytes& key, const bytes& value) {
  const size_t n = value.size();
  bytes plain(((n + 2) / 16 + 1) * 16, 0);
  plain[0] = static_cast<uint8_t>(n);
  plain[1] = static_cast<uint8_t>(n >> 8);
  std::copy(value.begin(), value.end(), plain.begin() + 2);
  plain[2 + n] = 0x80;
  return sm4_ecb(key, plain, true);
}

bytes cbc_mac_sm4(const bytes& key, const bytes& iv, bytes data) {
  if (data.empty() || data.size() % 16) {
    data.push_back(0x80);
    while (data.size() % 16) data.push_back(0);
  }
  bytes state = iv;
  for (size_t off = 0; off < data.size(); off += 16) {
    for (size_t i = 0; i < 16; ++i) state[i] ^= data[off + i];
    state = sm4_ecb(key, state, true);
  }
  return state;
}

bytes default_device_key() { return text("1234567812345678"); }

void token_client::authenticate_device(const bytes& key) {
  const bytes k = key == bytes(16, 0) ? default_device_key() : key;
  reply challenge = send(cmd::gen_random, {.le = 8});
  ASSERT_EQ(challenge.sw, 0x9000);
  challenge.data.resize(16, 0);
  const bytes answer = sm4_ecb(k, challenge.data, true);
  ASSERT_EQ(send(cmd::dev_auth, {.data = answer}).sw, 0x9000);
}

static bytes application_record(const std::string& name, const std::string& admin, const std::string& user,
                                uint32_t retries, uint32_t rights) {
  bytes r(80, 0);
  std::copy(name.begin(), name.end(), r.begin());
  std::copy(admin.begin(), admin.end(), r.begin() + 32);
  std::copy_n(be32(retries).begin(), 4, r.begin() + 48);
  std::copy(user.begin(), user.end(), r.begin() + 52);
  std::copy_n(be32(retries).begin(), 4, r.begin() + 68);
  r[72] = static_cast<uint8_t>(rights);
  return r;
}

uint16_t token_client::create_application(const std::string& name, const std::string& admin_pin,
                                          const std::string& user_pin, uint32_t retries, uint32_t rights) {
  authenticate_device();
  EXPECT_EQ(send(cmd::create_application, {.data = application_record(name, admin_pin, user_pin, retries, rights)}).sw,
            0x9000);
  return open_application(name);
}

uint16_t token_client::open_application(const std::string& name) {
  const reply r = send(cmd::open_application, {.data = text(name)});
  EXPECT_EQ(r.sw, 0x9000);
  EXPECT_EQ(r.data.size(), 10u);
  return r.data.size() == 10 ? static_cast<uint16_t>(r.data[8] << 8 | r.data[9]) : 0;
}

reply token_client::verify_pin(uint16_t app, uint8_t type, const std::string& pin) {
  reply challenge = send(cmd::gen_random, {.le = 8});
  EXPECT_EQ(challenge.sw, 0x9000);
  const bytes block = pin_block(pin_key(pin, false), challenge.data);
  return send(cmd::verify_pin, {.p2 = type, .data = cat({be16(app), block})});
}

uint16_t token_client::create_container(uint16_t app, const std::string& name) {
  const reply r = send(cmd::create_container, {.data = cat({be16(app), text(name)})});
  EXPECT_EQ(r.sw, 0x9000);
  return r.data.size() == 2 ? static_cast<uint16_t>(r.data[0] << 8 | r.data[1]) : 0;
}

uint16_t token_client::set_session_key(uint16_t app, uint16_t container, uint32_t algorithm, const bytes& key) {
  bytes field(32, 0);
  std::copy(key.begin(), key.end(), field.begin());
  const reply r = send(cmd::set_session_key, {.data = cat({be16(app), be16(container), be32(algorithm), field})});
  EXPECT_EQ(r.sw, 0x9000);
  return r.data.size() >= 2 ? static_cast<uint16_t>(r.data[0] << 8 | r.data[1]) : 0;
}

bytes opened::ids() const { return cat({be16(app), be16(container)}); }

opened token_client::logged_in() {
  const uint16_t app = create_application("bank", "admin123", "user1234");
  EXPECT_EQ(verify_pin(app, 1, "user1234").sw, 0x9000);
  return {app, create_container(app, "keys")};
}

}  // namespace test
