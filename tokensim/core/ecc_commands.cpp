// SM2 key pairs in containers, external SM2 keys, and the SM2 operations.
#include <algorithm>

#include "core/token.h"
#include "core/token_keys.h"

namespace tokensim {
namespace {

constexpr size_t DIGEST_SIZE = 32;
constexpr uint32_t SM2_BITS = 256;
constexpr size_t ENVELOPED_CIPHER_MAX = 64;

key_pair sm2_pair(EVP_PKEY* key) { return key_pair{KEY_SM2, sm2_private_scalar(key)}; }

EVP_PKEY* sm2_or_refuse(const pkey_ptr& key) {
  if (!key) throw token_error(SW_KEY_NOT_FOUND);
  return key.get();
}

pkey_ptr container_sm2(token& t, container_record& c, uint8_t selector) {
  const key_pair& pair = token::pair_for(c, selector);
  if (pair.type != KEY_SM2) throw token_error(SW_KEY_NOT_FOUND);
  return t.load_private(pair);
}

void sign_answer(EVP_PKEY* key, std::span<const uint8_t> digest, answer& out) {
  if (digest.size() != DIGEST_SIZE) throw token_error(SW_WRONG_LENGTH);
  auto r_s = sm2_sign_digest(key, digest);
  if (!r_s) throw token_error(SW_UNKNOWN);
  write_sm2_signature(out.data, *r_s);
}

void gen_ecc_key_pair(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  if (in.u32() != SM2_BITS) throw token_error(SW_WRONG_DATA);
  pkey_ptr key = sm2_generate();
  ref.container->sign_key = sm2_pair(sm2_or_refuse(key));
  put_bytes(out.data, sm2_public_xy(key.get()));
}

// An encryption pair sent enveloped: the private key encrypted under a
// session key, and that session key encrypted to the container's signing key.
void import_ecc_key_pair(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  in.u32();  // version
  const uint32_t symmetric = in.u32();
  in.u32();  // bits
  in.u8();
  sm2_cipher wrapped;
  wrapped.x = in.copy(32);
  wrapped.y = in.copy(32);
  wrapped.hash = in.copy(32);
  const uint32_t cipher_length = in.u32();
  if (cipher_length > ENVELOPED_CIPHER_MAX) throw token_error(SW_WRONG_LENGTH);
  wrapped.cipher = in.copy(cipher_length);
  in.u32();
  const auto pub_x = in.take(32), pub_y = in.take(32);
  in.u32();
  const auto encrypted_private = in.take(32);

  pkey_ptr signer = container_sm2(t, *ref.container, 1);
  auto session = sm2_decrypt(signer.get(), wrapped);
  if (!session) throw token_error(SW_DATA_INVALID);
  auto plain_scalar = ecb_crypt(symmetric, *session, encrypted_private, false);
  explicit_bzero(session->data(), session->size());
  if (!plain_scalar) throw token_error(SW_DATA_INVALID);
  bytes plain = std::move(*plain_scalar);
  pkey_ptr key = sm2_from_private(plain);
  explicit_bzero(plain.data(), plain.size());
  if (!key) throw token_error(SW_DATA_INVALID);
  const bytes xy = sm2_public_xy(key.get());
  if (!std::equal(pub_x.begin(), pub_x.end(), xy.begin()) || !std::equal(pub_y.begin(), pub_y.end(), xy.begin() + 32))
    throw token_error(SW_DATA_INVALID);
  ref.container->exchange_key = sm2_pair(key.get());
}

void export_public_key(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  const key_pair& pair = c.p1 ? ref.container->sign_key : ref.container->exchange_key;
  pkey_ptr key = t.load_private(pair);
  if (pair.type == KEY_SM2) return write_sm2_public_form(out.data, key.get());
  put_u32(out.data, rsa_bits(key.get()));
  write_rsa_public(out.data, key.get());
}

void ecc_sign_data(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  sign_answer(container_sm2(t, *ref.container, 1).get(), in.rest(), out);
}

void ecc_sign_data_ex(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  sign_answer(container_sm2(t, *ref.container, c.p2).get(), in.rest(), out);
}

// A signature the user confirms at the token: the token answers 0x6F01 while
// it waits; the request without data cancels a pending one.
void ecc_sign_data_interactive(token& t, const command_unit& c, answer& out) {
  if (c.data.empty()) {  // cancel
    t.session.interactive_waits_left = -1;
    return;
  }
  data_reader in(c.data);
  in.u16();  // how long the host is prepared to wait
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  pkey_ptr key = container_sm2(t, *ref.container, c.p2);
  if (!user_has_confirmed(t, out)) return;
  sign_answer(key.get(), in.rest(), out);
}

void ecc_verify(token&, const command_unit& c, answer& out) {
  data_reader in(c.data);
  pkey_ptr key = read_sm2_public_form(in);
  const auto data = in.take(in.u32());
  const auto r = in.take(32), s = in.take(32);
  if (!sm2_verify_digest(key.get(), data, r, s)) out.sw = SW_VERIFY_FAILED;
}

void encrypt_to(EVP_PKEY* key, std::span<const uint8_t> plain, answer& out) {
  auto cipher = sm2_encrypt(key, plain);
  if (!cipher) throw token_error(SW_UNKNOWN);
  write_sm2_cipher_form(out.data, *cipher);
}

void ecc_export_session_key(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  pkey_ptr peer = read_sm2_public_form(in);
  const uint32_t algorithm = in.u32();
  const auto info = cipher_for(algorithm);
  if (!info) throw token_error(SW_WRONG_DATA);
  session_key& k = t.add_key(ref.app->id, ref.container->id, algorithm, random_bytes(info->key_length));
  encrypt_to(peer.get(), k.value, out);
  put_u16(out.data, k.id);
}

void ecc_export_session_key_ex(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  const uint16_t app = in.u16(), container = in.u16(), id = in.u16();
  session_key& k = t.key(app, container, id);
  pkey_ptr peer = read_sm2_public_form(in);
  encrypt_to(peer.get(), k.value, out);
}

void ex_ecc_encrypt(token&, const command_unit& c, answer& out) {
  data_reader in(c.data);
  pkey_ptr peer = read_sm2_public_form(in);
  const auto plain = in.take(in.u32());
  if (plain.empty()) throw token_error(SW_WRONG_LENGTH);
  encrypt_to(peer.get(), plain, out);
}

void decrypt_answer(EVP_PKEY* key, data_reader& in, answer& out) {
  const uint32_t length = in.u32();
  data_reader form(in.take(length));
  auto plain = sm2_decrypt(key, read_sm2_cipher_form(form));
  if (!plain) throw token_error(SW_DATA_INVALID);
  out.data = std::move(*plain);
}

void ecc_pri_decrypt(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  pkey_ptr key = container_sm2(t, *ref.container, c.p1);
  decrypt_answer(key.get(), in, out);
}

// ECCPUBLICKEYBLOB as the host lays it out (little-endian bit length, 64-byte
// coordinate fields), then the 64-byte private key field.
void import_ext_ecc_key_pair(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  in.u32_le();
  const auto x = in.take(64).last(32), y = in.take(64).last(32);
  pkey_ptr key = sm2_from_private(in.take(64).last(32));
  if (!key) throw token_error(SW_DATA_INVALID);
  const bytes xy = sm2_public_xy(key.get());
  if (!std::equal(x.begin(), x.end(), xy.begin()) || !std::equal(y.begin(), y.end(), xy.begin() + 32))
    throw token_error(SW_DATA_INVALID);
  token::pair_for(*ref.container, c.p1) = sm2_pair(key.get());
}

// algorithm, bit length (little-endian), 128 zero bytes, private key field (64)
void import_ext_ecc_key_pair_to_ram(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  in.u32_le();
  in.u32_le();
  in.take(128);
  pkey_ptr key = sm2_from_private(in.take(64).last(32));
  if (!key) throw token_error(SW_DATA_INVALID);
  t.session.ram_sm2 = std::move(key);
}

void ecc_operation(token& t, const command_unit& c, answer& out) {
  EVP_PKEY* key = sm2_or_refuse(t.session.ram_sm2);
  data_reader in(c.data);
  if (c.p1 == 0) return sign_answer(key, in.rest(), out);
  if (c.p1 == 1) return decrypt_answer(key, in, out);
  throw token_error(SW_WRONG_P1P2);
}

// An external pair made in the token: the private key field now, the public
// key fields on the following request.
void gen_ext_sm2_key_pair(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  if (in.u16() != SM2_BITS) throw token_error(SW_WRONG_DATA);
  t.session.ram_sm2 = sm2_generate();
  out.data = right_align(sm2_private_scalar(sm2_or_refuse(t.session.ram_sm2)), 64);
}

void export_ext_sm2_pub_key(token& t, const command_unit&, answer& out) {
  const bytes xy = sm2_public_xy(sm2_or_refuse(t.session.ram_sm2));
  out.data.assign(8, 0);
  put_bytes(out.data, right_align(std::span(xy).first(32), 64));
  put_bytes(out.data, right_align(std::span(xy).last(32), 64));
}

// Key agreement uses the container's exchange pair, or its signing pair when
// it has no exchange pair.
pkey_ptr agreement_pair(token& t, container_record& c) {
  return container_sm2(t, c, c.exchange_key.type == KEY_SM2 ? 0 : 1);
}

size_t agreed_key_length(uint32_t algorithm) {
  const auto info = cipher_for(algorithm);
  if (!info) throw token_error(SW_WRONG_DATA);
  return info->key_length;
}

void ephemeral_answer(EVP_PKEY* ephemeral, uint32_t id, answer& out) {
  write_sm2_public_form(out.data, ephemeral);
  put_u32(out.data, id);
}

// Initiator, first step: an ephemeral pair bound to the container.
void generate_agreement_data(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  const uint32_t algorithm = in.u32();
  agreed_key_length(algorithm);
  const bytes own_id = in.copy(in.u32());
  agreement_pair(t, *ref.container);
  agreement_state state{ref.app->id, ref.container->id, t.session.next_agreement_id++, algorithm, sm2_generate(),
                        own_id};
  if (!state.ephemeral) throw token_error(SW_UNKNOWN);
  ephemeral_answer(state.ephemeral.get(), state.id, out);
  constexpr size_t MAX_PENDING = 8;
  if (t.session.agreements.size() >= MAX_PENDING) t.session.agreements.erase(t.session.agreements.begin());
  t.session.agreements.push_back(std::move(state));
}

// Initiator, second step: the responder's keys give the session key.
void generate_key(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  const uint32_t id = in.u32();
  pkey_ptr peer = read_sm2_public_form(in);
  pkey_ptr peer_ephemeral = read_sm2_public_form(in);
  const auto peer_id = in.take(in.u32());
  auto& pending = t.session.agreements;
  auto it = std::find_if(pending.begin(), pending.end(), [&](const agreement_state& a) {
    return a.id == id && a.app == ref.app->id && a.container == ref.container->id;
  });
  if (it == pending.end()) throw token_error(SW_KEY_NOT_FOUND);
  pkey_ptr own = agreement_pair(t, *ref.container);
  auto key = sm2_agreed_key(own.get(), it->ephemeral.get(), peer.get(), peer_ephemeral.get(),
                            sm2_z_input_digest(own.get(), it->own_id), sm2_z_input_digest(peer.get(), peer_id),
                            agreed_key_length(it->algorithm));
  if (!key) throw token_error(SW_DATA_INVALID);
  const uint32_t algorithm = it->algorithm;
  pending.erase(it);
  put_u32(out.data, t.add_key(ref.app->id, ref.container->id, algorithm, std::move(*key)).id);
}

// Responder: its ephemeral pair and the session key in one step.
void generate_agreement_data_and_key(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  const uint32_t algorithm = in.u32();
  const size_t length = agreed_key_length(algorithm);
  pkey_ptr peer = read_sm2_public_form(in);
  pkey_ptr peer_ephemeral = read_sm2_public_form(in);
  const auto peer_id = in.take(in.u32());
  const auto own_id = in.take(in.u32());
  pkey_ptr own = agreement_pair(t, *ref.container);
  pkey_ptr ephemeral = sm2_generate();
  if (!ephemeral) throw token_error(SW_UNKNOWN);
  auto key = sm2_agreed_key(own.get(), ephemeral.get(), peer.get(), peer_ephemeral.get(),
                            sm2_z_input_digest(peer.get(), peer_id), sm2_z_input_digest(own.get(), own_id), length);
  if (!key) throw token_error(SW_DATA_INVALID);
  const session_key& k = t.add_key(ref.app->id, ref.container->id, algorithm, std::move(*key));
  ephemeral_answer(ephemeral.get(), k.id, out);
}

const command_route ROUTES[] = {
    {0x80, 0x82, -1, generate_agreement_data},   {0x80, 0x84, -1, generate_agreement_data_and_key},
    {0x80, 0x86, -1, generate_key},
    {0x80, 0x70, -1, gen_ecc_key_pair},          {0x80, 0x72, -1, import_ecc_key_pair},
    {0x80, 0x74, -1, ecc_sign_data},             {0x80, 0x76, -1, ecc_verify},
    {0x80, 0x78, -1, ecc_export_session_key},    {0x80, 0x7A, -1, ex_ecc_encrypt},
    {0x80, 0x80, -1, ecc_export_session_key_ex}, {0x80, 0x88, -1, export_public_key},
    {0xC0, 0x28, -1, ecc_pri_decrypt},           {0xC0, 0x2A, -1, ecc_sign_data_ex},
    {0xC0, 0x2C, -1, import_ext_ecc_key_pair},   {0xC0, 0x80, 2, gen_ext_sm2_key_pair},
    {0xC0, 0x82, 2, export_ext_sm2_pub_key},     {0xC0, 0x84, 2, import_ext_ecc_key_pair_to_ram},
    {0xC0, 0x88, -1, ecc_operation},             {0xC0, 0xA2, -1, ecc_sign_data_interactive},
};

}  // namespace

std::span<const command_route> ecc_routes() { return ROUTES; }

}  // namespace tokensim
