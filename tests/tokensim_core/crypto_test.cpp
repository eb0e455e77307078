#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include "token_client.h"

namespace {

using namespace test;
using tokensim::token_interpreter;

TEST(TokenSm2, SignVerifyEncryptDecrypt) {
  token_interpreter token("");
  token_client host(token);
  const opened o = host.logged_in();
  const reply pub = host.send(cmd::gen_ecc_key_pair, {.data = cat({o.ids(), be32(256)})});
  ASSERT_EQ(pub.sw, 0x9000);
  ASSERT_EQ(pub.data.size(), 64u);
  const bytes exported = host.send(cmd::export_public_key, {.p1 = 1, .data = o.ids()}).data;
  EXPECT_EQ(exported, cat({be32(256), pub.data}));

  const bytes digest(32, 0x5A);
  const reply sig = host.send(cmd::ecc_sign_data, {.p1 = 2, .data = cat({o.ids(), digest})});
  ASSERT_EQ(sig.sw, 0x9000);
  ASSERT_EQ(sig.data.size(), 68u);
  const bytes r_s(sig.data.begin() + 4, sig.data.end());
  const bytes form = cat({be32(256), pub.data});
  EXPECT_EQ(host.send(cmd::ecc_verify, {.data = cat({form, be32(32), digest, r_s})}).sw, 0x9000);
  bytes other = digest;
  other[0] ^= 1;
  EXPECT_EQ(host.send(cmd::ecc_verify, {.data = cat({form, be32(32), other, r_s})}).sw, 0x6A98);

  const bytes plain = text("session secret!!");
  const reply cipher = host.send(cmd::ex_ecc_encrypt, {.data = cat({form, be32(16), plain})});
  ASSERT_EQ(cipher.sw, 0x9000);
  ASSERT_EQ(cipher.data.size(), 105u + 16u);
  const reply back = host.send(cmd::ecc_pri_decrypt, {.p1 = 1, .data = cat({o.ids(), be32(121), cipher.data})});
  EXPECT_EQ(back.sw, 0x9000);
  EXPECT_EQ(back.data, plain);

  // signing needs the user PIN
  host.send(cmd::clear_secure_state, {.data = be16(o.app)});
  EXPECT_EQ(host.send(cmd::ecc_sign_data, {.p1 = 2, .data = cat({o.ids(), digest})}).sw, 0x6982);
}

TEST(TokenSm2, InteractiveSignatureWaitsForTheUser) {
  token_interpreter token("");
  token.config().interactive_waits = 2;
  token_client host(token);
  const opened o = host.logged_in();
  ASSERT_EQ(host.send(cmd::gen_ecc_key_pair, {.data = cat({o.ids(), be32(256)})}).sw, 0x9000);
  const bytes request = cat({be16(0), o.ids(), bytes(32, 1)});
  EXPECT_EQ(host.send(cmd::ecc_sign_data_interactive, {.p1 = 2, .p2 = 1, .data = request}).sw, 0x6F01);
  EXPECT_EQ(host.send(cmd::ecc_sign_data_interactive, {.p1 = 2, .p2 = 1, .data = request}).sw, 0x6F01);
  const reply done = host.send(cmd::ecc_sign_data_interactive, {.p1 = 2, .p2 = 1, .data = request});
  EXPECT_EQ(done.sw, 0x9000);
  EXPECT_EQ(done.data.size(), 68u);
  // a cancel starts the wait over
  EXPECT_EQ(host.send(cmd::ecc_sign_data_interactive, {.p1 = 2, .p2 = 1, .data = request}).sw, 0x6F01);
  EXPECT_EQ(host.send(cmd::ecc_sign_data_interactive_cancel, {.p1 = 2, .p2 = 1}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::ecc_sign_data_interactive, {.p1 = 2, .p2 = 1, .data = request}).sw, 0x6F01);
}

bytes openssl_sm4_cbc(const bytes& key, const bytes& iv, const bytes& plain) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  bytes out(plain.size() + 16);
  int n = 0, tail = 0;
  EVP_EncryptInit_ex(ctx, EVP_sm4_cbc(), nullptr, key.data(), iv.data());
  EVP_EncryptUpdate(ctx, out.data(), &n, plain.data(), static_cast<int>(plain.size()));
  EVP_EncryptFinal_ex(ctx, out.data() + n, &tail);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(static_cast<size_t>(n + tail));
  return out;
}

TEST(TokenCiphers, StreamingEncryptionMatchesLibcrypto) {
  token_interpreter token("");
  token_client host(token);
  const opened o = host.logged_in();
  const bytes key(16, 0x11), iv(16, 0x22);
  const uint16_t k = host.set_session_key(o.app, o.container, 0x402, key);
  const bytes kid = cat({o.ids(), be16(k)});
  bytes plain(40);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(3 * i);

  ASSERT_EQ(host.send(cmd::encrypt_init, {.data = cat({kid, be16(16), iv, be32(1), be32(0)})}).sw, 0x9000);
  const reply part = host.send(cmd::encrypt_update, {.data = cat({kid, bytes(plain.begin(), plain.begin() + 32)})});
  const reply last = host.send(cmd::encrypt_final, {.data = cat({kid, bytes(plain.begin() + 32, plain.end())})});
  ASSERT_EQ(last.sw, 0x9000);
  const bytes cipher = cat({part.data, last.data});
  EXPECT_EQ(cipher, openssl_sm4_cbc(key, iv, plain));

  ASSERT_EQ(host.send(cmd::decrypt_init, {.data = cat({kid, be16(16), iv, be32(1), be32(0)})}).sw, 0x9000);
  const reply d1 = host.send(cmd::decrypt_update, {.data = cat({kid, cipher})});
  const reply d2 = host.send(cmd::decrypt_final, {.data = kid});
  EXPECT_EQ(cat({d1.data, d2.data}), plain);
  // Update without an Init is refused
  EXPECT_EQ(host.send(cmd::encrypt_update, {.data = cat({kid, plain})}).sw, 0x6985);
}

// Every algorithm the token offers round-trips; the vendor identifiers run
// on 3DES and AES.
TEST(TokenCiphers, EveryOfferedAlgorithmRoundTrips) {
  token_interpreter token("");
  token_client host(token);
  const opened o = host.logged_in();
  const uint32_t algorithms[] = {0x401, 0x402, 0x404, 0x408, 0x80000221, 0x80000222, 0x80000241,
                                 0x80000242, 0x80000111, 0x80000112, 0x80000121, 0x80000122, 0x80000141, 0x80000142};
  const bytes plain(48, 0xA5), iv(16, 1);
  for (uint32_t algorithm : algorithms) {
    SCOPED_TRACE(algorithm);
    const uint16_t k = host.set_session_key(o.app, o.container, algorithm, bytes(32, 0x42));
    const bytes kid = cat({o.ids(), be16(k)});
    ASSERT_EQ(host.send(cmd::encrypt_init, {.data = cat({kid, be16(16), iv, be32(0), be32(0)})}).sw, 0x9000);
    const reply cipher = host.send(cmd::encrypt_final, {.data = cat({kid, plain})});
    ASSERT_EQ(cipher.sw, 0x9000);
    EXPECT_NE(cipher.data, plain);
    ASSERT_EQ(host.send(cmd::decrypt_init, {.data = cat({kid, be16(16), iv, be32(0), be32(0)})}).sw, 0x9000);
    EXPECT_EQ(host.send(cmd::decrypt_final, {.data = cat({kid, cipher.data})}).data, plain);
    host.send(cmd::destroy_session_key, {.data = kid});
  }
}

TEST(TokenDigests, PiecesAndIdentityMatchLibcrypto) {
  token_interpreter token("");
  token_client host(token);
  bytes message(3000, 0x61);
  ASSERT_EQ(host.send(cmd::digest_init, {.p2 = 3}).sw, 0x9000);
  for (size_t off = 0; off < message.size(); off += 1024) {
    const size_t n = std::min<size_t>(1024, message.size() - off);
    ASSERT_EQ(host.send(cmd::digest_update, {.data = bytes(message.begin() + off, message.begin() + off + n)}).sw,
              0x9000);
  }
  const reply digest = host.send(cmd::digest_final);
  bytes expected(32);
  SHA256(message.data(), message.size(), expected.data());
  EXPECT_EQ(digest.data, expected);
  EXPECT_EQ(host.send(cmd::digest_update, {.data = message}).sw, 0x6985);  // finished

  // with an SM2 key and ID the digest starts with the identity value Z
  const opened o = host.logged_in();
  const bytes pub = host.send(cmd::gen_ecc_key_pair, {.data = cat({o.ids(), be32(256)})}).data;
  const bytes id = text("1234567812345678");
  ASSERT_EQ(host.send(cmd::digest_init, {.p2 = 1, .data = cat({be32(256), pub, be32(16), id})}).sw, 0x9000);
  const reply with_z = host.send(cmd::digest, {.data = text("abc")});
  // Z = SM3(ENTL ‖ ID ‖ a ‖ b ‖ xG ‖ yG ‖ xA ‖ yA), with the curve constants written out here
  const bytes curve = {
      0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFC, 0x28, 0xE9, 0xFA, 0x9E, 0x9D, 0x9F,
      0x5E, 0x34, 0x4D, 0x5A, 0x9E, 0x4B, 0xCF, 0x65, 0x09, 0xA7, 0xF3, 0x97, 0x89, 0xF5, 0x15, 0xAB, 0x8F, 0x92, 0xDD,
      0xBC, 0xBD, 0x41, 0x4D, 0x94, 0x0E, 0x93, 0x32, 0xC4, 0xAE, 0x2C, 0x1F, 0x19, 0x81, 0x19, 0x5F, 0x99, 0x04, 0x46,
      0x6A, 0x39, 0xC9, 0x94, 0x8F, 0xE3, 0x0B, 0xBF, 0xF2, 0x66, 0x0B, 0xE1, 0x71, 0x5A, 0x45, 0x89, 0x33, 0x4C, 0x74,
      0xC7, 0xBC, 0x37, 0x36, 0xA2, 0xF4, 0xF6, 0x77, 0x9C, 0x59, 0xBD, 0xCE, 0xE3, 0x6B, 0x69, 0x21, 0x53, 0xD0, 0xA9,
      0x87, 0x7C, 0xC6, 0x2A, 0x47, 0x40, 0x02, 0xDF, 0x32, 0xE5, 0x21, 0x39, 0xF0, 0xA0};
  const bytes z_input = cat({be16(128), id, curve, pub});
  auto sm3 = [](const bytes& data) {
    bytes out(32);
    unsigned n = 0;
    EVP_Digest(data.data(), data.size(), out.data(), &n, EVP_sm3(), nullptr);
    return out;
  };
  EXPECT_EQ(with_z.data, sm3(cat({sm3(z_input), text("abc")})));
}

TEST(TokenRsa, GeneratedPairSignsAndDecrypts) {
  token_interpreter token("");
  token_client host(token);
  const opened o = host.logged_in();
  const reply pub = host.send(cmd::gen_rsa_key_pair, {.data = cat({o.ids(), be16(1024)})});
  ASSERT_EQ(pub.sw, 0x9000);
  ASSERT_EQ(pub.data.size(), 132u);
  const bytes modulus(pub.data.begin(), pub.data.begin() + 128), exponent(pub.data.end() - 4, pub.data.end());

  bytes digest(32, 0x42);
  const reply sig = host.send(cmd::rsa_sign_ex, {.p1 = 1, .p2 = 3, .data = cat({o.ids(), digest})});
  ASSERT_EQ(sig.sw, 0x9000);
  ASSERT_EQ(sig.data.size(), 128u);
  const bytes form_a = cat({be32(1024), modulus, exponent});
  EXPECT_EQ(host.send(cmd::rsa_verify, {.p1 = 2, .p2 = 3, .data = cat({form_a, be32(32), digest, be16(128), sig.data})}).sw,
            0x9000);
  digest[5] ^= 1;
  EXPECT_EQ(host.send(cmd::rsa_verify, {.p1 = 2, .p2 = 3, .data = cat({form_a, be32(32), digest, be16(128), sig.data})}).sw,
            0x6A98);

  const bytes form_b = form_a;
  const reply cipher = host.send(cmd::ex_rsa_pub_key_encrypt, {.data = cat({form_b, be32(5), text("hello")})});
  ASSERT_EQ(cipher.sw, 0x9000);
  const reply plain = host.send(cmd::rsa_decrypt, {.p1 = 1, .data = cat({o.ids(), cipher.data})});
  EXPECT_EQ(plain.data, text("hello"));
}

}  // namespace

namespace {

using namespace test;

TEST(TokenSm2, KeyAgreementGivesBothSidesTheSameKey) {
  tokensim::token_interpreter token("");
  token_client host(token);
  const opened a = host.logged_in();
  const opened b{a.app, host.create_container(a.app, "responder")};
  const bytes pa = cat({be32(256), host.send(cmd::gen_ecc_key_pair, {.data = cat({a.ids(), be32(256)})}).data});
  const bytes pb = cat({be32(256), host.send(cmd::gen_ecc_key_pair, {.data = cat({b.ids(), be32(256)})}).data});
  const bytes id_a = text("alice@example"), id_b = text("bob@example");

  const reply start = host.send(cmd::generate_agreement_data_with_ecc, {.data = cat({a.ids(), be32(0x401), be32(13), id_a})});
  ASSERT_EQ(start.sw, 0x9000);
  ASSERT_EQ(start.data.size(), 72u);
  const bytes ra(start.data.begin(), start.data.begin() + 68), agreement(start.data.end() - 4, start.data.end());

  const reply responder = host.send(cmd::generate_agreement_data_and_key_with_ecc,
                                    {.data = cat({b.ids(), be32(0x401), pa, ra, be32(13), id_a, be32(11), id_b})});
  ASSERT_EQ(responder.sw, 0x9000);
  const bytes rb(responder.data.begin(), responder.data.begin() + 68);
  const uint16_t kb = static_cast<uint16_t>(responder.data[70] << 8 | responder.data[71]);

  const reply initiator = host.send(cmd::generate_key_with_ecc, {.data = cat({a.ids(), agreement, pb, rb, be32(11), id_b})});
  ASSERT_EQ(initiator.sw, 0x9000);
  const uint16_t ka = static_cast<uint16_t>(initiator.data[2] << 8 | initiator.data[3]);
  // the agreement id is used up
  EXPECT_EQ(host.send(cmd::generate_key_with_ecc, {.data = cat({a.ids(), agreement, pb, rb, be32(11), id_b})}).sw, 0x6A8C);

  // what one side's key encrypts, the other side's key decrypts
  const bytes block(16, 0x3C);
  const bytes key_a = cat({a.ids(), be16(ka)}), key_b = cat({b.ids(), be16(kb)});
  ASSERT_EQ(host.send(cmd::encrypt_init, {.data = cat({key_a, be16(0), be32(0), be32(0)})}).sw, 0x9000);
  const reply cipher = host.send(cmd::encrypt_final, {.data = cat({key_a, block})});
  ASSERT_EQ(host.send(cmd::decrypt_init, {.data = cat({key_b, be16(0), be32(0), be32(0)})}).sw, 0x9000);
  const reply plain = host.send(cmd::decrypt_final, {.data = cat({key_b, cipher.data})});
  EXPECT_EQ(plain.data, block);
  EXPECT_NE(cipher.data, block);

  // a responder that used another identity for the initiator derives another key
  const reply other = host.send(cmd::generate_agreement_data_and_key_with_ecc,
                                {.data = cat({b.ids(), be32(0x401), pa, ra, be32(3), text("eve"), be32(11), id_b})});
  ASSERT_EQ(other.sw, 0x9000);
  const bytes key_c = cat({b.ids(), bytes(other.data.end() - 2, other.data.end())});
  ASSERT_EQ(host.send(cmd::decrypt_init, {.data = cat({key_c, be16(0), be32(0), be32(0)})}).sw, 0x9000);
  EXPECT_NE(host.send(cmd::decrypt_final, {.data = cat({key_c, cipher.data})}).data, block);
}

}  // namespace

namespace {

bytes hex(const char* s) {
  bytes out;
  for (size_t i = 0; s[i] && s[i + 1]; i += 2) out.push_back(static_cast<uint8_t>(std::stoi(std::string(s + i, 2), nullptr, 16)));
  return out;
}

// The key exchange example of the SM2 standard, recommended curve.
TEST(TokenSm2, AgreementMatchesThePublishedExample) {
  using namespace tokensim;
  const bytes id = hex("31323334353637383132333435363738");
  pkey_ptr a = sm2_from_private(hex("81EB26E941BB5AF16DF116495F90695272AE2CD63D6C4AE1678418BE48230029"));
  pkey_ptr b = sm2_from_private(hex("785129917D45A9EA5437A59356B82338EAADDA6CEB199088F14AE10DEFA229B5"));
  pkey_ptr ra = sm2_from_private(hex("D4DE15474DB74D06491C440D305E012400990F3E390C7E87153C12DB2EA60BB3"));
  pkey_ptr rb = sm2_from_private(hex("7E07124814B309489125EAED101113164EBF0F3458C5BD88335C1F9D596243D6"));
  ASSERT_TRUE(a && b && ra && rb);
  EXPECT_EQ(sm2_public_xy(ra.get()), cat({hex("64CED1BDBC99D590049B434D0FD73428CF608A5DB8FE5CE07F15026940BAE40E"),
                                          hex("376629C7AB21E7DB260922499DDB118F07CE8EAAE3E7720AFEF6A5CC062070C0")}));
  const bytes za = sm2_z_input_digest(a.get(), id), zb = sm2_z_input_digest(b.get(), id);
  EXPECT_EQ(za, hex("3B85A57179E11E7E513AA622991F2CA74D1807A0BD4D4B38F90987A17AC245B1"));
  EXPECT_EQ(zb, hex("79C988D63229D97EF19FE02CA1056E01E6A7411ED24694AA8F834F4A4AB022F7"));
  const bytes expected = hex("6C89347354DE2484C60B4AB1FDE4C6E5");
  EXPECT_EQ(sm2_agreed_key(a.get(), ra.get(), b.get(), rb.get(), za, zb, 16), expected);
  EXPECT_EQ(sm2_agreed_key(b.get(), rb.get(), a.get(), ra.get(), za, zb, 16), expected);
}

// The signature example of the SM2 standard, checked by the token's
// verification command, and the identity digest of its key.
TEST(TokenSm2, VerifiesThePublishedSignature) {
  tokensim::token_interpreter token("");
  token_client host(token);
  const bytes pub = cat({be32(256), hex("09F9DF311E5421A150DD7D161E4BC5C672179FAD1833FC076BB08FF356F35020"),
                         hex("CCEA490CE26775A52DC6EA718CC1AA600AED05FBF35E084A6632F6072DA9AD13")});
  const bytes e = hex("F0B43E94BA45ACCAACE692ED534382EB17E6AB5A19CE7B31F4486FDFC0D28640");
  const bytes r = hex("F5A03B0648D2C4630EEAC513E1BB81A15944DA3827D5B74143AC7EACEEE720B3");
  const bytes s = hex("B1B6AA29DF212FD8763182BC0D421CA1BB9038FD1F7F42D4840B69C485BBC1AA");
  EXPECT_EQ(host.send(cmd::ecc_verify, {.data = cat({pub, be32(32), e, r, s})}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::ecc_verify, {.data = cat({pub, be32(32), e, s, r})}).sw, 0x6A98);

  const bytes id = hex("31323334353637383132333435363738");
  ASSERT_EQ(host.send(cmd::digest_init, {.p2 = 1, .data = cat({pub, be32(16), id})}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::digest, {.data = hex("6D65737361676520646967657374")}).data, e);
}

}  // namespace
