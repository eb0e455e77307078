#include "core/token_crypto.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/obj_mac.h>
#include <openssl/param_build.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <cstring>

#include <algorithm>
#include <cstring>

namespace tokensim {
namespace {

struct bn_free {
  void operator()(BIGNUM* b) const { BN_clear_free(b); }
};
using bn_ptr = std::unique_ptr<BIGNUM, bn_free>;
struct ctx_free {
  void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
using pkey_ctx_ptr = std::unique_ptr<EVP_PKEY_CTX, ctx_free>;
struct group_free {
  void operator()(EC_GROUP* g) const { EC_GROUP_free(g); }
};
struct point_free {
  void operator()(EC_POINT* p) const { EC_POINT_free(p); }
};
struct bld_free {
  void operator()(OSSL_PARAM_BLD* b) const { OSSL_PARAM_BLD_free(b); }
};
struct params_free {
  void operator()(OSSL_PARAM* p) const { OSSL_PARAM_free(p); }
};
struct cipher_free {
  void operator()(EVP_CIPHER* c) const { EVP_CIPHER_free(c); }
};

bytes bn_bytes(const BIGNUM* b) {
  bytes out(static_cast<size_t>(BN_num_bytes(b)));
  BN_bn2bin(b, out.data());
  return out;
}

bn_ptr bn_from(std::span<const uint8_t> b) {
  return bn_ptr(BN_bin2bn(b.data(), static_cast<int>(b.size()), nullptr));
}

bytes get_bn_param(EVP_PKEY* key, const char* name) {
  BIGNUM* raw = nullptr;
  if (!EVP_PKEY_get_bn_param(key, name, &raw)) return {};
  bn_ptr b(raw);
  return bn_bytes(b.get());
}

pkey_ptr key_from_params(const char* type, OSSL_PARAM_BLD* bld, int selection) {
  std::unique_ptr<OSSL_PARAM, params_free> params(OSSL_PARAM_BLD_to_param(bld));
  pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_name(nullptr, type, nullptr));
  EVP_PKEY* key = nullptr;
  if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0 ||
      EVP_PKEY_fromdata(ctx.get(), &key, selection, params.get()) <= 0)
    return nullptr;
  return pkey_ptr(key);
}

std::unique_ptr<EC_GROUP, group_free> sm2_group() {
  return std::unique_ptr<EC_GROUP, group_free>(EC_GROUP_new_by_curve_name(NID_sm2));
}

// --- DER of the SM2 ciphertext: SEQUENCE { INTEGER x, INTEGER y, OCTET STRING hash, OCTET STRING c }
void der_length(bytes& out, size_t n) {
  if (n < 0x80) {
    out.push_back(static_cast<uint8_t>(n));
  } else if (n < 0x100) {
    out.push_back(0x81);
    out.push_back(static_cast<uint8_t>(n));
  } else if (n < 0x10000) {
    out.push_back(0x82);
    put_u16(out, static_cast<uint32_t>(n));
  } else {
    out.push_back(0x83);
    out.push_back(static_cast<uint8_t>(n >> 16));
    put_u16(out, static_cast<uint32_t>(n & 0xFFFF));
  }
}

void der_item(bytes& out, uint8_t tag, std::span<const uint8_t> content) {
  out.push_back(tag);
  der_length(out, content.size());
  put_bytes(out, content);
}

void der_integer(bytes& out, std::span<const uint8_t> be) {
  size_t skip = 0;
  while (skip + 1 < be.size() && be[skip] == 0) ++skip;
  bytes v;
  if (be.empty() || (be[skip] & 0x80)) v.push_back(0);
  v.insert(v.end(), be.begin() + static_cast<long>(skip), be.end());
  if (v.empty()) v.push_back(0);
  der_item(out, 0x02, v);
}

// Returns the content of the next item with the given tag, advancing pos.
std::optional<std::span<const uint8_t>> der_next(std::span<const uint8_t> in, size_t& pos, uint8_t tag) {
  if (pos + 2 > in.size() || in[pos] != tag) return std::nullopt;
  size_t len = in[pos + 1];
  size_t head = 2;
  if (len & 0x80) {
    const size_t count = len & 0x7F;
    if (count == 0 || count > 3 || pos + 2 + count > in.size()) return std::nullopt;
    len = 0;
    for (size_t i = 0; i < count; ++i) len = len << 8 | in[pos + 2 + i];
    head += count;
  }
  if (len > in.size() - pos - head) return std::nullopt;
  auto content = in.subspan(pos + head, len);
  pos += head + len;
  return content;
}

}  // namespace

bytes right_align(std::span<const uint8_t> value, size_t width) {
  bytes out(width, 0);
  if (value.size() >= width) {
    std::copy(value.end() - static_cast<long>(width), value.end(), out.begin());
  } else {
    std::copy(value.begin(), value.end(), out.end() - static_cast<long>(value.size()));
  }
  return out;
}

bytes random_bytes(size_t n) {
  bytes out(n);
  if (n && RAND_bytes(out.data(), static_cast<int>(n)) != 1) throw token_error(SW_UNKNOWN);
  return out;
}

static bytes one_shot_digest(const EVP_MD* md, std::span<const uint8_t> data) {
  bytes out(EVP_MAX_MD_SIZE);
  unsigned len = 0;
  if (!EVP_Digest(data.data(), data.size(), out.data(), &len, md, nullptr)) throw token_error(SW_UNKNOWN);
  out.resize(len);
  return out;
}

bytes sha1(std::span<const uint8_t> data) { return one_shot_digest(EVP_sha1(), data); }
bytes sm3(std::span<const uint8_t> data) { return one_shot_digest(EVP_sm3(), data); }

bytes sm4_ecb(std::span<const uint8_t> key, std::span<const uint8_t> data, bool encrypt) {
  if (key.size() != 16 || data.size() % 16) throw token_error(SW_WRONG_LENGTH);
  cipher_ctx_ptr ctx(EVP_CIPHER_CTX_new());
  bytes out(data.size() + 16);
  int n = 0, tail = 0;
  if (!ctx || !EVP_CipherInit_ex(ctx.get(), EVP_sm4_ecb(), nullptr, key.data(), nullptr, encrypt) ||
      !EVP_CIPHER_CTX_set_padding(ctx.get(), 0) ||
      !EVP_CipherUpdate(ctx.get(), out.data(), &n, data.data(), static_cast<int>(data.size())) ||
      !EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail))
    throw token_error(SW_UNKNOWN);
  out.resize(static_cast<size_t>(n + tail));
  return out;
}

bytes pin_key(const std::string& pin, pin_key_mode mode) {
  const bool verification = mode == pin_key_mode::verification;
  uint8_t copy[64] = {};
  const size_t limit = verification ? 32 : 64;
  const size_t n = std::min(pin.size(), limit);
  memcpy(copy, pin.data(), n);
  const size_t covered = verification ? std::max<size_t>(n, 16) : 16;
  bytes digest = sha1(std::span(copy, covered));
  explicit_bzero(copy, sizeof copy);
  digest.resize(16);
  return digest;
}

bytes pin_block(std::span<const uint8_t> key, std::span<const uint8_t> value) {
  const size_t n = value.size();
  bytes plain(((n + 2) / 16 + 1) * 16, 0);
  plain[0] = static_cast<uint8_t>(n & 0xFF);
  plain[1] = static_cast<uint8_t>((n >> 8) & 0xFF);
  std::copy(value.begin(), value.end(), plain.begin() + 2);
  plain[2 + n] = 0x80;
  bytes block = sm4_ecb(key, plain, true);
  explicit_bzero(plain.data(), plain.size());
  return block;
}

std::optional<bytes> open_pin_block(std::span<const uint8_t> key, std::span<const uint8_t> block) {
  if (block.empty() || block.size() % 16) return std::nullopt;
  bytes plain = sm4_ecb(key, block, false);
  const size_t n = plain[0] | size_t{plain[1]} << 8;
  std::optional<bytes> value;
  const bool shape_ok = ((n + 2) / 16 + 1) * 16 == plain.size() && plain[2 + n] == 0x80 &&
                        std::all_of(plain.begin() + static_cast<long>(n + 3), plain.end(),
                                    [](uint8_t b) { return b == 0; });
  if (shape_ok) value = bytes(plain.begin() + 2, plain.begin() + 2 + static_cast<long>(n));
  explicit_bzero(plain.data(), plain.size());
  return value;
}

std::optional<cipher_info> cipher_for(uint32_t algorithm) {
  struct row {
    uint32_t id;
    cipher_info info;
  };
  static const row TABLE[] = {
      {0x00000401, {"SM4-ECB", 16, 16, false}},     {0x00000402, {"SM4-CBC", 16, 16, false}},
      {0x00000404, {"SM4-CFB", 16, 16, true}},      {0x00000408, {"SM4-OFB", 16, 16, true}},
      {0x00000410, {"SM4-CBC", 16, 16, false}},
      {0x80000221, {"DES-EDE-ECB", 16, 8, false}},  {0x80000222, {"DES-EDE-CBC", 16, 8, false}},
      {0x80000241, {"DES-EDE3-ECB", 24, 8, false}}, {0x80000242, {"DES-EDE3-CBC", 24, 8, false}},
      {0x80000111, {"AES-128-ECB", 16, 16, false}}, {0x80000112, {"AES-128-CBC", 16, 16, false}},
      {0x80000121, {"AES-192-ECB", 24, 16, false}}, {0x80000122, {"AES-192-CBC", 24, 16, false}},
      {0x80000141, {"AES-256-ECB", 32, 16, false}}, {0x80000142, {"AES-256-CBC", 32, 16, false}},
  };
  for (const row& r : TABLE)
    if (r.id == algorithm) return r.info;
  return std::nullopt;
}

// The ECB form of an algorithm's block cipher, for MACs.
static const char* ecb_name_for(uint32_t algorithm) {
  const uint32_t ecb = (algorithm & 0x80000000u) ? (algorithm & ~0xFu) | 1 : (algorithm & ~0xFFu) | 1;
  auto info = cipher_for(ecb);
  return info ? info->evp_name : nullptr;
}

std::optional<bytes> ecb_crypt(uint32_t algorithm, std::span<const uint8_t> key, std::span<const uint8_t> data,
                               bool encrypt) {
  auto info = cipher_for(algorithm);
  const char* ecb = ecb_name_for(algorithm);
  if (!info || !ecb || key.size() < info->key_length || data.size() % info->block_size) return std::nullopt;
  std::unique_ptr<EVP_CIPHER, cipher_free> cipher(EVP_CIPHER_fetch(nullptr, ecb, nullptr));
  cipher_ctx_ptr ctx(EVP_CIPHER_CTX_new());
  bytes out(data.size() + info->block_size);
  int n = 0;
  if (!cipher || !ctx || !EVP_CipherInit_ex(ctx.get(), cipher.get(), nullptr, key.data(), nullptr, encrypt) ||
      !EVP_CIPHER_CTX_set_padding(ctx.get(), 0) ||
      !EVP_CipherUpdate(ctx.get(), out.data(), &n, data.data(), static_cast<int>(data.size())))
    return std::nullopt;
  out.resize(static_cast<size_t>(n));
  return out;
}

std::optional<bytes> cbc_mac(uint32_t algorithm, std::span<const uint8_t> key, std::span<const uint8_t> iv,
                             std::span<const uint8_t> data, bool pad_always) {
  auto info = cipher_for(algorithm);
  const char* ecb = ecb_name_for(algorithm);
  if (!info || !ecb || key.size() < info->key_length) return std::nullopt;
  std::unique_ptr<EVP_CIPHER, cipher_free> cipher(EVP_CIPHER_fetch(nullptr, ecb, nullptr));
  cipher_ctx_ptr ctx(EVP_CIPHER_CTX_new());
  if (!cipher || !ctx || !EVP_EncryptInit_ex(ctx.get(), cipher.get(), nullptr, key.data(), nullptr) ||
      !EVP_CIPHER_CTX_set_padding(ctx.get(), 0))
    return std::nullopt;
  const size_t b = info->block_size;
  bytes padded(data.begin(), data.end());
  if (pad_always || padded.size() % b || padded.empty()) {
    padded.push_back(0x80);
    while (padded.size() % b) padded.push_back(0);
  }
  bytes state(b, 0);
  for (size_t i = 0; i < std::min(b, iv.size()); ++i) state[i] = iv[i];
  for (size_t off = 0; off < padded.size(); off += b) {
    for (size_t i = 0; i < b; ++i) state[i] ^= padded[off + i];
    int n = 0;
    if (!EVP_EncryptUpdate(ctx.get(), state.data(), &n, state.data(), static_cast<int>(b))) return std::nullopt;
  }
  return state;
}

const EVP_MD* digest_for(uint32_t code) {
  switch (code) {
    case 1: return EVP_sm3();
    case 2: return EVP_sha1();
    case 3: return EVP_sha256();
    default: return nullptr;
  }
}

// --- SM2

pkey_ptr sm2_generate() {
  pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "SM2", nullptr));
  EVP_PKEY* key = nullptr;
  if (!ctx || EVP_PKEY_keygen_init(ctx.get()) <= 0 || EVP_PKEY_keygen(ctx.get(), &key) <= 0) return nullptr;
  return pkey_ptr(key);
}

static pkey_ptr sm2_key(const BIGNUM* priv, const EC_POINT* pub, const EC_GROUP* group) {
  uint8_t point[65];
  if (EC_POINT_point2oct(group, pub, POINT_CONVERSION_UNCOMPRESSED, point, sizeof point, nullptr) != 65)
    return nullptr;
  std::unique_ptr<OSSL_PARAM_BLD, bld_free> bld(OSSL_PARAM_BLD_new());
  if (!bld || !OSSL_PARAM_BLD_push_utf8_string(bld.get(), OSSL_PKEY_PARAM_GROUP_NAME, "SM2", 0) ||
      !OSSL_PARAM_BLD_push_octet_string(bld.get(), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point) ||
      (priv && !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_PRIV_KEY, priv)))
    return nullptr;
  return key_from_params("SM2", bld.get(), priv ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY);
}

pkey_ptr sm2_from_private(std::span<const uint8_t> scalar32) {
  auto group = sm2_group();
  bn_ptr d = bn_from(scalar32);
  if (!group || !d || BN_is_zero(d.get()) || BN_cmp(d.get(), EC_GROUP_get0_order(group.get())) >= 0)
    return nullptr;
  std::unique_ptr<EC_POINT, point_free> pub(EC_POINT_new(group.get()));
  if (!pub || !EC_POINT_mul(group.get(), pub.get(), d.get(), nullptr, nullptr, nullptr)) return nullptr;
  return sm2_key(d.get(), pub.get(), group.get());
}

pkey_ptr sm2_from_public(std::span<const uint8_t> x32, std::span<const uint8_t> y32) {
  auto group = sm2_group();
  bn_ptr x = bn_from(x32), y = bn_from(y32);
  std::unique_ptr<EC_POINT, point_free> pub(group ? EC_POINT_new(group.get()) : nullptr);
  if (!pub || !x || !y ||
      !EC_POINT_set_affine_coordinates(group.get(), pub.get(), x.get(), y.get(), nullptr))
    return nullptr;
  return sm2_key(nullptr, pub.get(), group.get());
}

bytes sm2_public_xy(EVP_PKEY* key) {
  uint8_t point[65];
  size_t len = 0;
  if (!EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &len) ||
      len != 65)
    return {};
  return bytes(point + 1, point + 65);
}

bytes sm2_private_scalar(EVP_PKEY* key) { return right_align(get_bn_param(key, OSSL_PKEY_PARAM_PRIV_KEY), 32); }

std::optional<bytes> sm2_sign_digest(EVP_PKEY* key, std::span<const uint8_t> digest) {
  pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  uint8_t der[128];
  size_t len = sizeof der;
  if (!ctx || EVP_PKEY_sign_init(ctx.get()) <= 0 ||
      EVP_PKEY_sign(ctx.get(), der, &len, digest.data(), digest.size()) <= 0)
    return std::nullopt;
  const uint8_t* p = der;
  ECDSA_SIG* sig = d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(len));
  if (!sig) return std::nullopt;
  bytes out = right_align(bn_bytes(ECDSA_SIG_get0_r(sig)), 32);
  bytes s = right_align(bn_bytes(ECDSA_SIG_get0_s(sig)), 32);
  ECDSA_SIG_free(sig);
  put_bytes(out, s);
  return out;
}

bool sm2_verify_digest(EVP_PKEY* key, std::span<const uint8_t> digest, std::span<const uint8_t> r,
                       std::span<const uint8_t> s) {
  bytes seq;
  der_integer(seq, r);
  der_integer(seq, s);
  bytes der;
  der_item(der, 0x30, seq);
  pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  return ctx && EVP_PKEY_verify_init(ctx.get()) > 0 &&
         EVP_PKEY_verify(ctx.get(), der.data(), der.size(), digest.data(), digest.size()) == 1;
}

std::optional<sm2_cipher> sm2_encrypt(EVP_PKEY* key, std::span<const uint8_t> plain) {
  pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  size_t len = 0;
  if (!ctx || EVP_PKEY_encrypt_init(ctx.get()) <= 0 ||
      EVP_PKEY_encrypt(ctx.get(), nullptr, &len, plain.data(), plain.size()) <= 0)
    return std::nullopt;
  bytes der(len);
  if (EVP_PKEY_encrypt(ctx.get(), der.data(), &len, plain.data(), plain.size()) <= 0) return std::nullopt;
  der.resize(len);
  size_t pos = 0;
  auto seq = der_next(der, pos, 0x30);
  if (!seq) return std::nullopt;
  size_t in = 0;
  auto x = der_next(*seq, in, 0x02);
  auto y = x ? der_next(*seq, in, 0x02) : std::nullopt;
  auto hash = y ? der_next(*seq, in, 0x04) : std::nullopt;
  auto c = hash ? der_next(*seq, in, 0x04) : std::nullopt;
  if (!c) return std::nullopt;
  return sm2_cipher{right_align(*x, 32), right_align(*y, 32), bytes(hash->begin(), hash->end()),
                    bytes(c->begin(), c->end())};
}

std::optional<bytes> sm2_decrypt(EVP_PKEY* key, const sm2_cipher& c) {
  bytes seq;
  der_integer(seq, c.x);
  der_integer(seq, c.y);
  der_item(seq, 0x04, c.hash);
  der_item(seq, 0x04, c.cipher);
  bytes der;
  der_item(der, 0x30, seq);
  pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  size_t len = 0;
  if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0 ||
      EVP_PKEY_decrypt(ctx.get(), nullptr, &len, der.data(), der.size()) <= 0)
    return std::nullopt;
  bytes out(len);
  if (EVP_PKEY_decrypt(ctx.get(), out.data(), &len, der.data(), der.size()) <= 0) return std::nullopt;
  out.resize(len);
  return out;
}

bytes sm2_z_input_digest(EVP_PKEY* key, std::span<const uint8_t> id) {
  auto group = sm2_group();
  bn_ptr p(BN_new()), a(BN_new()), b(BN_new()), gx(BN_new()), gy(BN_new());
  EC_GROUP_get_curve(group.get(), p.get(), a.get(), b.get(), nullptr);
  EC_POINT_get_affine_coordinates(group.get(), EC_GROUP_get0_generator(group.get()), gx.get(), gy.get(),
                                  nullptr);
  bytes input;
  put_u16(input, static_cast<uint32_t>(id.size() * 8) & 0xFFFF);
  put_bytes(input, id);
  for (BIGNUM* v : {a.get(), b.get(), gx.get(), gy.get()}) put_bytes(input, right_align(bn_bytes(v), 32));
  put_bytes(input, sm2_public_xy(key));
  return sm3(input);
}

struct bn_ctx_free {
  void operator()(BN_CTX* c) const { BN_CTX_free(c); }
};

// x̄ = 2^w + (x mod 2^w), w = 127 for the 256-bit order
static bn_ptr reduced_x(std::span<const uint8_t> x) {
  bn_ptr v = bn_from(x);
  if (!v || !BN_mask_bits(v.get(), 127) || !BN_set_bit(v.get(), 127)) return nullptr;
  return v;
}

static std::unique_ptr<EC_POINT, point_free> point_of(const EC_GROUP* group, EVP_PKEY* key) {
  const bytes xy = sm2_public_xy(key);
  std::unique_ptr<EC_POINT, point_free> p(EC_POINT_new(group));
  bn_ptr x = bn_from(std::span(xy).first(32)), y = bn_from(std::span(xy).last(32));
  if (xy.size() != 64 || !p || !EC_POINT_set_affine_coordinates(group, p.get(), x.get(), y.get(), nullptr))
    return nullptr;
  return p;
}

std::optional<bytes> sm2_agreed_key(EVP_PKEY* own, EVP_PKEY* own_ephemeral, EVP_PKEY* peer, EVP_PKEY* peer_ephemeral,
                                    std::span<const uint8_t> z_initiator, std::span<const uint8_t> z_responder,
                                    size_t length) {
  auto group = sm2_group();
  std::unique_ptr<BN_CTX, bn_ctx_free> ctx(BN_CTX_new());
  const bytes d_bytes = sm2_private_scalar(own), r_bytes = sm2_private_scalar(own_ephemeral);
  bn_ptr d = bn_from(d_bytes), r = bn_from(r_bytes), t(BN_new());
  const bytes own_xy = sm2_public_xy(own_ephemeral), peer_xy = sm2_public_xy(peer_ephemeral);
  if (own_xy.size() != 64 || peer_xy.size() != 64) return std::nullopt;
  bn_ptr x_own = reduced_x(std::span(own_xy).first(32));
  bn_ptr x_peer = reduced_x(std::span(peer_xy).first(32));
  auto p_peer = point_of(group.get(), peer), r_peer = point_of(group.get(), peer_ephemeral);
  std::unique_ptr<EC_POINT, point_free> shared(group ? EC_POINT_new(group.get()) : nullptr);
  if (!group || !ctx || !d || !r || !t || !x_own || !x_peer || !p_peer || !r_peer || !shared) return std::nullopt;
  const BIGNUM* n = EC_GROUP_get0_order(group.get());
  // t = (d + x̄·r) mod n; shared = [t](P + [x̄']R')
  if (!BN_mod_mul(t.get(), x_own.get(), r.get(), n, ctx.get()) || !BN_mod_add(t.get(), t.get(), d.get(), n, ctx.get()) ||
      !EC_POINT_mul(group.get(), r_peer.get(), nullptr, r_peer.get(), x_peer.get(), ctx.get()) ||
      !EC_POINT_add(group.get(), r_peer.get(), r_peer.get(), p_peer.get(), ctx.get()) ||
      !EC_POINT_mul(group.get(), shared.get(), nullptr, r_peer.get(), t.get(), ctx.get()) ||
      EC_POINT_is_at_infinity(group.get(), shared.get()))
    return std::nullopt;
  bn_ptr x(BN_new()), y(BN_new());
  if (!x || !y || !EC_POINT_get_affine_coordinates(group.get(), shared.get(), x.get(), y.get(), ctx.get()))
    return std::nullopt;
  bytes seed = right_align(bn_bytes(x.get()), 32);
  put_bytes(seed, right_align(bn_bytes(y.get()), 32));
  put_bytes(seed, z_initiator);
  put_bytes(seed, z_responder);
  // KDF: SM3(seed ‖ counter) for counter 1, 2, ...
  bytes key;
  for (uint32_t counter = 1; key.size() < length; ++counter) {
    bytes block = seed;
    put_u32(block, counter);
    put_bytes(key, sm3(block));
  }
  key.resize(length);
  explicit_bzero(seed.data(), seed.size());
  return key;
}

// --- RSA

pkey_ptr rsa_generate(unsigned bits) {
  return pkey_ptr(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(bits)));
}

std::optional<rsa_parts> rsa_components(EVP_PKEY* key) {
  rsa_parts parts;
  parts.n = get_bn_param(key, OSSL_PKEY_PARAM_RSA_N);
  parts.e = get_bn_param(key, OSSL_PKEY_PARAM_RSA_E);
  parts.d = get_bn_param(key, OSSL_PKEY_PARAM_RSA_D);
  parts.p = get_bn_param(key, OSSL_PKEY_PARAM_RSA_FACTOR1);
  parts.q = get_bn_param(key, OSSL_PKEY_PARAM_RSA_FACTOR2);
  parts.dp = get_bn_param(key, OSSL_PKEY_PARAM_RSA_EXPONENT1);
  parts.dq = get_bn_param(key, OSSL_PKEY_PARAM_RSA_EXPONENT2);
  parts.qinv = get_bn_param(key, OSSL_PKEY_PARAM_RSA_COEFFICIENT1);
  if (parts.n.empty() || parts.e.empty()) return std::nullopt;
  return parts;
}

pkey_ptr rsa_from_parts(const rsa_parts& parts, bool with_private) {
  std::unique_ptr<OSSL_PARAM_BLD, bld_free> bld(OSSL_PARAM_BLD_new());
  struct item {
    const char* name;
    const bytes* value;
  };
  const item pub[] = {{OSSL_PKEY_PARAM_RSA_N, &parts.n}, {OSSL_PKEY_PARAM_RSA_E, &parts.e}};
  const item priv[] = {{OSSL_PKEY_PARAM_RSA_D, &parts.d},          {OSSL_PKEY_PARAM_RSA_FACTOR1, &parts.p},
                       {OSSL_PKEY_PARAM_RSA_FACTOR2, &parts.q},    {OSSL_PKEY_PARAM_RSA_EXPONENT1, &parts.dp},
                       {OSSL_PKEY_PARAM_RSA_EXPONENT2, &parts.dq}, {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, &parts.qinv}};
  std::vector<bn_ptr> keep;
  auto push = [&](const item& it) {
    keep.push_back(bn_from(*it.value));
    return keep.back() && OSSL_PARAM_BLD_push_BN(bld.get(), it.name, keep.back().get());
  };
  if (!bld) return nullptr;
  for (const item& it : pub)
    if (!push(it)) return nullptr;
  if (with_private)
    for (const item& it : priv)
      if (!push(it)) return nullptr;
  return key_from_params("RSA", bld.get(), with_private ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY);
}

unsigned rsa_bits(EVP_PKEY* key) { return static_cast<unsigned>(EVP_PKEY_get_bits(key)); }

static std::optional<bytes> rsa_run(EVP_PKEY* key, std::span<const uint8_t> in, int padding,
                                    int (*init)(EVP_PKEY_CTX*),
                                    int (*run)(EVP_PKEY_CTX*, unsigned char*, size_t*, const unsigned char*,
                                               size_t)) {
  pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  size_t len = 0;
  if (!ctx || init(ctx.get()) <= 0 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), padding) <= 0 ||
      run(ctx.get(), nullptr, &len, in.data(), in.size()) <= 0)
    return std::nullopt;
  bytes out(len);
  if (run(ctx.get(), out.data(), &len, in.data(), in.size()) <= 0) return std::nullopt;
  out.resize(len);
  return out;
}

std::optional<bytes> rsa_private_op(EVP_PKEY* key, std::span<const uint8_t> in, int padding, bool sign) {
  return sign ? rsa_run(key, in, padding, EVP_PKEY_sign_init, EVP_PKEY_sign)
              : rsa_run(key, in, padding, EVP_PKEY_decrypt_init, EVP_PKEY_decrypt);
}

std::optional<bytes> rsa_public_op(EVP_PKEY* key, std::span<const uint8_t> in, int padding, bool verify_recover) {
  return verify_recover ? rsa_run(key, in, padding, EVP_PKEY_verify_recover_init, EVP_PKEY_verify_recover)
                        : rsa_run(key, in, padding, EVP_PKEY_encrypt_init, EVP_PKEY_encrypt);
}

// Hash codes 2 and 3 mean the data is a SHA-1 or SHA-256 digest to be wrapped
// in its DigestInfo; any other code signs the data as it is.
std::optional<bytes> rsa_sign(EVP_PKEY* key, std::span<const uint8_t> data, uint32_t hash_code) {
  const EVP_MD* md = hash_code == 2 || hash_code == 3 ? digest_for(hash_code) : nullptr;
  pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  size_t len = 0;
  if (!ctx || EVP_PKEY_sign_init(ctx.get()) <= 0 ||
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) <= 0 ||
      (md && EVP_PKEY_CTX_set_signature_md(ctx.get(), md) <= 0) ||
      EVP_PKEY_sign(ctx.get(), nullptr, &len, data.data(), data.size()) <= 0)
    return std::nullopt;
  bytes out(len);
  if (EVP_PKEY_sign(ctx.get(), out.data(), &len, data.data(), data.size()) <= 0) return std::nullopt;
  out.resize(len);
  return out;
}

bool rsa_verify(EVP_PKEY* key, std::span<const uint8_t> data, uint32_t hash_code, std::span<const uint8_t> sig) {
  const EVP_MD* md = hash_code == 2 || hash_code == 3 ? digest_for(hash_code) : nullptr;
  pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  return ctx && EVP_PKEY_verify_init(ctx.get()) > 0 &&
         EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) > 0 &&
         (!md || EVP_PKEY_CTX_set_signature_md(ctx.get(), md) > 0) &&
         EVP_PKEY_verify(ctx.get(), sig.data(), sig.size(), data.data(), data.size()) == 1;
}

bytes private_to_der(EVP_PKEY* key) {
  const int len = i2d_PrivateKey(key, nullptr);
  if (len <= 0) return {};
  bytes out(static_cast<size_t>(len));
  uint8_t* p = out.data();
  i2d_PrivateKey(key, &p);
  return out;
}

pkey_ptr private_from_der(std::span<const uint8_t> der) {
  const uint8_t* p = der.data();
  return pkey_ptr(d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(der.size())));
}

}  // namespace tokensim
