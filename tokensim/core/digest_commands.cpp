// Digests (one running digest per token, optionally bound to an SM2 identity)
// and MACs computed with session keys.
#include <algorithm>

#include "core/token.h"
#include "core/token_keys.h"

namespace tokensim {
namespace {

constexpr size_t MAC_DATA_LIMIT = 65536;
constexpr uint8_t SM3_CODE = 1;

EVP_MD_CTX& running_digest(token& t) {
  if (!t.session.digest) throw token_error(SW_CONDITIONS_NOT_SATISFIED);
  return *t.session.digest;
}

void digest_update_bytes(token& t, std::span<const uint8_t> data) {
  if (!EVP_DigestUpdate(&running_digest(t), data.data(), data.size())) throw token_error(SW_UNKNOWN);
}

bytes finish_digest(token& t) {
  bytes out(EVP_MAX_MD_SIZE);
  unsigned n = 0;
  const bool ok = EVP_DigestFinal_ex(&running_digest(t), out.data(), &n);
  t.session.digest.reset();
  if (!ok) throw token_error(SW_UNKNOWN);
  out.resize(n);
  return out;
}

// P1: display flag (nothing to display here), P2: digest code. With data the
// digest starts with the identity value Z of the given SM2 key and ID.
void digest_init(token& t, const command_unit& c, answer&) {
  const EVP_MD* md = digest_for(c.p2);
  if (!md) throw token_error(SW_WRONG_DATA);
  md_ctx_ptr ctx(EVP_MD_CTX_new());
  if (!ctx || !EVP_DigestInit_ex(ctx.get(), md, nullptr)) throw token_error(SW_UNKNOWN);
  if (!c.data.empty()) {
    if (c.p2 != SM3_CODE) throw token_error(SW_WRONG_DATA);
    data_reader in(c.data);
    pkey_ptr key = read_sm2_public_form(in);
    const auto id = in.take(in.u32());
    if (id.size() > 0x1FFF) throw token_error(SW_WRONG_LENGTH);  // ENTL holds bits in 16 bits
    const bytes z = sm2_z_input_digest(key.get(), id);
    EVP_DigestUpdate(ctx.get(), z.data(), z.size());
  }
  t.session.digest = std::move(ctx);
}

void digest(token& t, const command_unit& c, answer& out) {
  digest_update_bytes(t, c.data);
  out.data = finish_digest(t);
}

void digest_update(token& t, const command_unit& c, answer&) { digest_update_bytes(t, c.data); }

void digest_final(token& t, const command_unit& c, answer& out) {
  digest_update_bytes(t, c.data);
  out.data = finish_digest(t);
}

// app (2), offset (2), length (2), name length (2), name
void digest_file_update(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  application_record& a = t.app(in.u16());
  const size_t offset = in.u16(), length = in.u16();
  const std::string name = in.text(in.u16());
  const auto f = std::find_if(a.files.begin(), a.files.end(), [&](const auto& g) { return g.name == name; });
  if (f == a.files.end()) throw token_error(SW_FILE_NOT_FOUND);
  if (!t.rights_allow(a.id, f->read_rights)) throw token_error(SW_SECURITY_NOT_SATISFIED);
  if (offset > f->content.size()) throw token_error(SW_WRONG_DATA);
  const size_t n = std::min(length, f->content.size() - offset);
  digest_update_bytes(t, std::span(f->content).subspan(offset, n));
}

session_key& mac_key(token& t, data_reader& in) {
  const uint16_t app = in.u16(), container = in.u16(), id = in.u16();
  return t.key(app, container, id);
}

void mac_init(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  session_key& k = mac_key(t, in);
  if (!cipher_for(k.algorithm)) throw token_error(SW_WRONG_DATA);
  k.mac_iv = in.copy(in.u16());
  k.mac_padding = in.u32();
  in.u32();
  k.mac_data.clear();
  k.mac_active = true;
}

void mac_append(session_key& k, std::span<const uint8_t> data) {
  if (!k.mac_active) throw token_error(SW_CONDITIONS_NOT_SATISFIED);
  if (k.mac_data.size() + data.size() > MAC_DATA_LIMIT) throw token_error(SW_WRONG_LENGTH);
  put_bytes(k.mac_data, data);
}

void mac_update(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  session_key& k = mac_key(t, in);
  mac_append(k, in.rest());
}

// CBC-MAC under the key; padding type 1 always pads, otherwise 80 00..
// completes only an unaligned last block.
void mac_final(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  session_key& k = mac_key(t, in);
  mac_append(k, in.rest());
  auto mac = cbc_mac(k.algorithm, k.value, k.mac_iv, k.mac_data, k.mac_padding == 1);
  k.mac_active = false;
  k.mac_data.clear();
  if (!mac) throw token_error(SW_WRONG_DATA);
  out.data = std::move(*mac);
}

const command_route ROUTES[] = {
    {0x80, 0xB4, -1, digest_init}, {0x80, 0xB6, -1, digest},       {0x80, 0xB8, -1, digest_update},
    {0x80, 0xBA, -1, digest_final}, {0xC0, 0x90, -1, digest_file_update}, {0x80, 0xBC, -1, mac_init},
    {0x80, 0xC0, -1, mac_update},  {0x80, 0xC2, -1, mac_final},
};

}  // namespace

std::span<const command_route> digest_routes() { return ROUTES; }

}  // namespace tokensim
