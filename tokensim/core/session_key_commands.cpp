// Session keys in the bounded key store, and the symmetric ciphers run with them.
#include <openssl/rsa.h>

#include <algorithm>

#include "core/token.h"
#include "core/token_keys.h"

namespace tokensim {
namespace {

constexpr size_t KEY_FIELD = 32;
constexpr uint16_t ALL = 0xFFFF;

cipher_info cipher_or_refuse(uint32_t algorithm) {
  auto found = cipher_for(algorithm);
  if (!found) throw token_error(SW_WRONG_DATA);
  return *found;
}

void key_id_answer(const session_key& k, answer& out) { put_u16(out.data, k.id); }

void generate_session_key(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  const uint32_t algorithm = in.u32();
  const cipher_info info = cipher_or_refuse(algorithm);
  key_id_answer(t.add_key(ref.app->id, ref.container->id, algorithm, random_bytes(info.key_length)), out);
}

void set_session_key(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  const uint32_t algorithm = in.u32();
  const cipher_info info = cipher_or_refuse(algorithm);
  const auto field = in.take(KEY_FIELD);
  key_id_answer(t.add_key(ref.app->id, ref.container->id, algorithm,
                          bytes(field.begin(), field.begin() + static_cast<long>(info.key_length))),
                out);
}

// The key value is read from a file of the application: the selector-th key
// of the key's length.
void set_session_key_from_file(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  const uint32_t algorithm = in.u32();
  const cipher_info info = cipher_or_refuse(algorithm);
  const size_t selector = in.u16();
  const std::string name = in.text(in.u16());
  const auto file = std::find_if(ref.app->files.begin(), ref.app->files.end(),
                                 [&](const auto& f) { return f.name == name; });
  if (file == ref.app->files.end()) throw token_error(SW_FILE_NOT_FOUND);
  if (!t.rights_allow(ref.app->id, file->read_rights)) throw token_error(SW_SECURITY_NOT_SATISFIED);
  const size_t offset = selector * info.key_length;
  if (offset + info.key_length > file->content.size()) throw token_error(SW_WRONG_DATA);
  const auto begin = file->content.begin() + static_cast<long>(offset);
  key_id_answer(t.add_key(ref.app->id, ref.container->id, algorithm,
                          bytes(begin, begin + static_cast<long>(info.key_length))),
                out);
}

// A key wrapped under the container's key pair: the SM2 cipher form for an
// SM2 pair, PKCS#1 v1.5 for an RSA pair.
void import_session_key(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  const uint32_t algorithm = in.u32();
  const cipher_info info = cipher_or_refuse(algorithm);
  const auto wrapped = in.take(in.u32());
  const key_pair& pair = token::pair_for(*ref.container, c.p1);
  pkey_ptr key = t.load_private(pair);
  std::optional<bytes> value;
  if (pair.type == KEY_SM2) {
    data_reader form(wrapped);
    value = sm2_decrypt(key.get(), read_sm2_cipher_form(form));
  } else {
    value = rsa_private_op(key.get(), wrapped, RSA_PKCS1_PADDING, false);
  }
  if (!value || value->size() < info.key_length) throw token_error(SW_DATA_INVALID);
  value->resize(info.key_length);
  key_id_answer(t.add_key(ref.app->id, ref.container->id, algorithm, std::move(*value)), out);
}

void destroy_session_key(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  const uint16_t app = in.u16(), container = in.u16(), id = in.u16();
  if (app == ALL && container == ALL) {
    t.session.keys.clear();
    return;
  }
  t.destroy_key(app, container, id);
}

session_key& key_from(token& t, data_reader& in) {
  const uint16_t app = in.u16(), container = in.u16(), id = in.u16();
  return t.key(app, container, id);
}

// app, container, key, IV length (2), IV, padding type (4), feedback bits (4)
void cipher_init(token& t, const command_unit& c, bool encrypt) {
  data_reader in(c.data);
  session_key& k = key_from(t, in);
  const auto iv = in.take(in.u16());
  const uint32_t padding = in.u32();
  in.u32();  // feedback bit length: the modes here use full-block feedback
  const cipher_info info = cipher_or_refuse(k.algorithm);
  std::unique_ptr<EVP_CIPHER, void (*)(EVP_CIPHER*)> cipher(EVP_CIPHER_fetch(nullptr, info.evp_name, nullptr),
                                                            EVP_CIPHER_free);
  cipher_ctx_ptr ctx(EVP_CIPHER_CTX_new());
  bytes full_iv(info.block_size, 0);
  std::copy_n(iv.begin(), std::min(iv.size(), full_iv.size()), full_iv.begin());
  if (!cipher || !ctx ||
      !EVP_CipherInit_ex(ctx.get(), cipher.get(), nullptr, k.value.data(), full_iv.data(), encrypt) ||
      !EVP_CIPHER_CTX_set_padding(ctx.get(), padding == 1 && !info.stream_mode))
    throw token_error(SW_UNKNOWN);
  k.cipher = std::move(ctx);
  k.encrypting = encrypt;
}

void cipher_step(token& t, const command_unit& c, answer& out, bool encrypt, bool final) {
  data_reader in(c.data);
  session_key& k = key_from(t, in);
  if (!k.cipher || k.encrypting != encrypt) throw token_error(SW_CONDITIONS_NOT_SATISFIED);
  const auto data = in.rest();
  out.data.resize(data.size() + 64);
  int n = 0, tail = 0;
  const bool ok = EVP_CipherUpdate(k.cipher.get(), out.data.data(), &n, data.data(), static_cast<int>(data.size()));
  if (ok && final && !EVP_CipherFinal_ex(k.cipher.get(), out.data.data() + n, &tail)) {
    k.cipher.reset();
    throw token_error(encrypt ? SW_WRONG_LENGTH : SW_DATA_INVALID);
  }
  if (!ok) throw token_error(SW_UNKNOWN);
  out.data.resize(static_cast<size_t>(n + tail));
  if (final) k.cipher.reset();
}

void encrypt_init(token& t, const command_unit& c, answer&) { cipher_init(t, c, true); }
void decrypt_init(token& t, const command_unit& c, answer&) { cipher_init(t, c, false); }
void encrypt_update(token& t, const command_unit& c, answer& out) { cipher_step(t, c, out, true, false); }
void encrypt_final(token& t, const command_unit& c, answer& out) { cipher_step(t, c, out, true, true); }
void decrypt_update(token& t, const command_unit& c, answer& out) { cipher_step(t, c, out, false, false); }
void decrypt_final(token& t, const command_unit& c, answer& out) { cipher_step(t, c, out, false, true); }

const command_route ROUTES[] = {
    {0xC0, 0x10, -1, generate_session_key}, {0xC0, 0x12, 0, set_session_key},
    {0xC0, 0x12, 1, set_session_key_from_file}, {0x80, 0xA0, -1, import_session_key},
    {0x80, 0xC4, -1, destroy_session_key},  {0x80, 0xA4, -1, encrypt_init},
    {0x80, 0xA8, -1, encrypt_update},       {0x80, 0xAA, -1, encrypt_final},
    {0x80, 0xAC, -1, decrypt_init},         {0x80, 0xB0, -1, decrypt_update},
    {0x80, 0xB2, -1, decrypt_final},
};

}  // namespace

std::span<const command_route> session_key_routes() { return ROUTES; }

}  // namespace tokensim
