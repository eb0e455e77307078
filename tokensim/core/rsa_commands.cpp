// RSA key pairs in containers, external RSA keys, and the RSA operations.
#include <openssl/rsa.h>

#include "core/token.h"
#include "core/token_keys.h"

namespace tokensim {
namespace {

constexpr size_t BLOB_SIZE = 1164;
constexpr size_t MODULUS_FIELD = 256;
constexpr size_t PRIME_FIELD = 128;

bool bits_accepted(uint32_t bits) { return bits == 1024 || bits == 2048; }

key_pair rsa_pair(EVP_PKEY* key) { return key_pair{KEY_RSA, private_to_der(key)}; }

pkey_ptr container_rsa(token& t, container_record& c, uint8_t selector) {
  const key_pair& pair = token::pair_for(c, selector);
  if (pair.type != KEY_RSA) throw token_error(SW_KEY_NOT_FOUND);
  return t.load_private(pair);
}

EVP_PKEY* loaded(const pkey_ptr& key) {
  if (!key) throw token_error(SW_KEY_NOT_FOUND);
  return key.get();
}

// Hash code 0x80 (and any code without a digest) signs the data as given.
uint32_t hash_code(uint8_t p2) { return p2; }

// RSAPRIVATEKEYBLOB as the host lays it out: little-endian AlgID and BitLen,
// then right-aligned big-endian fields.
pkey_ptr key_from_blob(std::span<const uint8_t> blob) {
  if (blob.size() < BLOB_SIZE) throw token_error(SW_WRONG_LENGTH);
  data_reader in(blob);
  in.u32_le();
  const uint32_t bits = in.u32_le();
  if (!bits_accepted(bits)) throw token_error(SW_WRONG_DATA);
  const size_t n_len = bits / 8, p_len = bits / 16;
  rsa_parts parts;
  parts.n = in.copy(MODULUS_FIELD);
  parts.e = in.copy(4);
  parts.d = in.copy(MODULUS_FIELD);
  for (bytes* field : {&parts.p, &parts.q, &parts.dp, &parts.dq, &parts.qinv}) *field = in.copy(PRIME_FIELD);
  parts.n.erase(parts.n.begin(), parts.n.end() - static_cast<long>(n_len));
  parts.d.erase(parts.d.begin(), parts.d.end() - static_cast<long>(n_len));
  for (bytes* field : {&parts.p, &parts.q, &parts.dp, &parts.dq, &parts.qinv})
    field->erase(field->begin(), field->end() - static_cast<long>(p_len));
  pkey_ptr key = rsa_from_parts(parts, true);
  for (bytes* field : {&parts.d, &parts.p, &parts.q, &parts.dp, &parts.dq, &parts.qinv})
    explicit_bzero(field->data(), field->size());
  if (!key) throw token_error(SW_DATA_INVALID);
  return key;
}

// Public-key forms: bit length (4), modulus, exponent (4). The bit length is
// big-endian, except that form A may carry a length in host order.
pkey_ptr read_public_form(data_reader& in, bool host_order_allowed) {
  uint32_t bits = in.u32();
  if (host_order_allowed && !bits_accepted(bits))
    bits = (bits >> 24) | ((bits >> 8) & 0xFF00) | ((bits << 8) & 0xFF0000) | (bits << 24);
  if (bits == 0 || bits > 4096) throw token_error(SW_WRONG_DATA);
  rsa_parts parts;
  parts.n = in.copy((bits + 7) / 8);
  parts.e = in.copy(4);
  pkey_ptr key = rsa_from_parts(parts, false);
  if (!key) throw token_error(SW_WRONG_DATA);
  return key;
}

void answer_or_fail(std::optional<bytes> result, answer& out, uint16_t failure = SW_DATA_INVALID) {
  if (!result) throw token_error(failure);
  out.data = std::move(*result);
}

void generate(token& t, const command_unit& c, answer& out, uint8_t selector) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  const uint32_t bits = in.u16();
  if (!bits_accepted(bits)) throw token_error(SW_WRONG_DATA);
  pkey_ptr key = rsa_generate(bits);
  token::pair_for(*ref.container, selector) = rsa_pair(loaded(key));
  write_rsa_public(out.data, key.get());
}

void gen_rsa_key_pair(token& t, const command_unit& c, answer& out) { generate(t, c, out, 1); }
void gen_rsa_key_pair_ex(token& t, const command_unit& c, answer& out) { generate(t, c, out, c.p1); }

// Chained: app, container, algorithm (4), wrapped length (4), wrapped key,
// 0 (4), encrypted length (4), then the blob encrypted under the wrapped key.
void import_rsa_key_pair(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  const uint32_t algorithm = in.u32();
  const auto wrapped = in.take(in.u32());
  in.u32();
  const auto encrypted = in.take(in.u32());
  pkey_ptr signer = container_rsa(t, *ref.container, 1);
  auto session = rsa_private_op(signer.get(), wrapped, RSA_PKCS1_PADDING, false);
  if (!session) throw token_error(SW_DATA_INVALID);
  auto blob = ecb_crypt(algorithm, *session, encrypted, false);
  explicit_bzero(session->data(), session->size());
  if (!blob) throw token_error(SW_DATA_INVALID);
  pkey_ptr key = key_from_blob(*blob);
  explicit_bzero(blob->data(), blob->size());
  ref.container->exchange_key = rsa_pair(key.get());
}

// Chained: app, container, then the clear blob.
void import_ext_rsa_key_pair(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  token::pair_for(*ref.container, c.p1) = rsa_pair(key_from_blob(in.rest()).get());
}

void sign_with(token& t, const command_unit& c, answer& out, uint8_t selector) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  pkey_ptr key = container_rsa(t, *ref.container, selector);
  answer_or_fail(rsa_sign(key.get(), in.rest(), hash_code(c.p2)), out, SW_WRONG_LENGTH);
}

void rsa_sign_data(token& t, const command_unit& c, answer& out) { sign_with(t, c, out, 1); }
void rsa_sign_ex(token& t, const command_unit& c, answer& out) { sign_with(t, c, out, c.p1); }

void rsa_sign_interactive(token& t, const command_unit& c, answer& out) {
  if (c.data.empty()) {  // cancel
    t.session.interactive_waits_left = -1;
    return;
  }
  data_reader in(c.data);
  in.u16();
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  pkey_ptr key = container_rsa(t, *ref.container, c.p1);
  if (!user_has_confirmed(t, out)) return;
  answer_or_fail(rsa_sign(key.get(), in.rest(), hash_code(c.p2)), out, SW_WRONG_LENGTH);
}

void rsa_verify(token&, const command_unit& c, answer& out) {
  data_reader in(c.data);
  pkey_ptr key = read_public_form(in, true);
  const auto data = in.take(in.u32());
  const auto sig = in.take(in.u16());
  if (!tokensim::rsa_verify(key.get(), data, hash_code(c.p2), sig)) out.sw = SW_VERIFY_FAILED;
}

void rsa_verify_ex(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  pkey_ptr key = container_rsa(t, *ref.container, c.p1);
  const auto data = in.take(in.u32());
  if (!tokensim::rsa_verify(key.get(), data, hash_code(c.p2), in.rest())) out.sw = SW_VERIFY_FAILED;
}

void wrap_for(EVP_PKEY* peer, const session_key& k, answer& out) {
  auto wrapped = rsa_public_op(peer, k.value, RSA_PKCS1_PADDING, false);
  if (!wrapped) throw token_error(SW_UNKNOWN);
  put_bytes(out.data, *wrapped);
}

void rsa_export_session_key(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  const uint32_t algorithm = in.u32();
  pkey_ptr peer = read_public_form(in, true);
  const auto info = cipher_for(algorithm);
  if (!info) throw token_error(SW_WRONG_DATA);
  session_key& k = t.add_key(ref.app->id, ref.container->id, algorithm, random_bytes(info->key_length));
  put_u16(out.data, k.id);
  wrap_for(peer.get(), k, out);
}

void rsa_export_session_key_ex(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  const uint16_t app = in.u16(), container = in.u16(), id = in.u16();
  session_key& k = t.key(app, container, id);
  pkey_ptr peer = read_public_form(in, true);
  wrap_for(peer.get(), k, out);
}

struct container_operation {
  bool private_key;
  int padding;
};

void run_container_operation(token& t, const command_unit& c, answer& out, container_operation op) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  if (op.private_key) t.require_user(ref.app->id);
  pkey_ptr key = container_rsa(t, *ref.container, c.p1);
  const auto input = in.rest();
  answer_or_fail(op.private_key ? rsa_private_op(key.get(), input, op.padding, op.padding == RSA_NO_PADDING)
                                : rsa_public_op(key.get(), input, op.padding, false),
                 out);
}

void rsa_public(token& t, const command_unit& c, answer& out) {
  run_container_operation(t, c, out, {false, RSA_NO_PADDING});
}
void rsa_private(token& t, const command_unit& c, answer& out) {
  run_container_operation(t, c, out, {true, RSA_NO_PADDING});
}
void rsa_encrypt(token& t, const command_unit& c, answer& out) {
  run_container_operation(t, c, out, {false, RSA_PKCS1_PADDING});
}
void rsa_decrypt(token& t, const command_unit& c, answer& out) {
  run_container_operation(t, c, out, {true, RSA_PKCS1_PADDING});
}

// P1 0: raw public operation; P1 1: PKCS#1 v1.5 encryption.
void ex_rsa_pub_key_operation(token&, const command_unit& c, answer& out) {
  data_reader in(c.data);
  pkey_ptr key = read_public_form(in, false);
  const auto input = in.take(in.u32());
  answer_or_fail(rsa_public_op(key.get(), input, c.p1 ? RSA_PKCS1_PADDING : RSA_NO_PADDING, false), out);
}

// The blob of a new external pair: private part (896 bytes) now, public part
// (268 bytes) on the following request.
void gen_ext_rsa_key_pair(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  const uint32_t bits = in.u16();
  if (!bits_accepted(bits)) throw token_error(SW_WRONG_DATA);
  t.session.ext_rsa = rsa_generate(bits);
  auto parts = rsa_components(loaded(t.session.ext_rsa));
  if (!parts) throw token_error(SW_UNKNOWN);
  put_bytes(out.data, right_align(parts->d, MODULUS_FIELD));
  for (const bytes* field : {&parts->p, &parts->q, &parts->dp, &parts->dq, &parts->qinv})
    put_bytes(out.data, right_align(*field, PRIME_FIELD));
}

void export_ext_rsa_pub_key(token& t, const command_unit&, answer& out) {
  EVP_PKEY* key = loaded(t.session.ext_rsa);
  auto parts = rsa_components(key);
  if (!parts) throw token_error(SW_UNKNOWN);
  put_u32_le(out.data, 0x00010000);
  put_u32(out.data, rsa_bits(key));
  put_bytes(out.data, right_align(parts->n, MODULUS_FIELD));
  put_bytes(out.data, right_align(parts->e, 4));
}

void import_ext_rsa_key_pair_to_ram(token& t, const command_unit& c, answer&) {
  t.session.ram_rsa = key_from_blob(c.data);
}

void rsa_operation(token& t, const command_unit& c, answer& out) {
  answer_or_fail(rsa_private_op(loaded(t.session.ram_rsa), c.data, RSA_NO_PADDING, true), out);
}

const command_route ROUTES[] = {
    {0x80, 0x54, -1, gen_rsa_key_pair},        {0x80, 0x56, -1, import_rsa_key_pair},
    {0x80, 0x58, -1, rsa_sign_data},           {0x80, 0x5A, -1, rsa_export_session_key},
    {0x80, 0x5C, -1, rsa_export_session_key_ex}, {0x80, 0x5E, -1, rsa_verify},
    {0x80, 0x60, -1, ex_rsa_pub_key_operation}, {0xC0, 0x14, -1, rsa_public},
    {0xC0, 0x16, -1, rsa_private},             {0xC0, 0x18, -1, rsa_encrypt},
    {0xC0, 0x1A, -1, rsa_decrypt},             {0xC0, 0x1C, -1, rsa_sign_ex},
    {0xC0, 0x1E, -1, rsa_verify_ex},           {0xC0, 0x20, -1, import_ext_rsa_key_pair},
    {0xC0, 0x26, -1, gen_rsa_key_pair_ex},     {0xC0, 0x80, 1, gen_ext_rsa_key_pair},
    {0xC0, 0x82, 1, export_ext_rsa_pub_key},   {0xC0, 0x84, 1, import_ext_rsa_key_pair_to_ram},
    {0xC0, 0x86, -1, rsa_operation},           {0xC0, 0xA0, -1, rsa_sign_interactive},
};

}  // namespace

std::span<const command_route> rsa_routes() { return ROUTES; }

}  // namespace tokensim
