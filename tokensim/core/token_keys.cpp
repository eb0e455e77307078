#include "core/token_keys.h"

namespace tokensim {

container_ref container_by_id(token& t, data_reader& in) {
  application_record& a = t.app(in.u16());
  return {&a, &t.container(a, in.u16())};
}

pkey_ptr read_sm2_public_form(data_reader& in) {
  in.u32();
  const auto x = in.take(32);
  const auto y = in.take(32);
  pkey_ptr key = sm2_from_public(x, y);
  if (!key) throw token_error(SW_WRONG_DATA);
  return key;
}

void write_sm2_public_form(bytes& out, EVP_PKEY* key) {
  put_u32(out, 256);
  put_bytes(out, sm2_public_xy(key));
}

sm2_cipher read_sm2_cipher_form(data_reader& in) {
  in.u32();
  in.u8();
  sm2_cipher c;
  c.x = in.copy(32);
  c.y = in.copy(32);
  c.hash = in.copy(32);
  c.cipher = in.copy(in.u32());
  return c;
}

void write_sm2_cipher_form(bytes& out, const sm2_cipher& c) {
  put_u32(out, 256);
  out.push_back(0x04);
  put_bytes(out, c.x);
  put_bytes(out, c.y);
  put_bytes(out, c.hash);
  put_u32(out, static_cast<uint32_t>(c.cipher.size()));
  put_bytes(out, c.cipher);
}

void write_sm2_signature(bytes& out, const bytes& r_s) {
  put_u32(out, 256);
  put_bytes(out, r_s);
}

void write_rsa_public(bytes& out, EVP_PKEY* key) {
  auto parts = rsa_components(key);
  if (!parts) throw token_error(SW_UNKNOWN);
  put_bytes(out, right_align(parts->n, (rsa_bits(key) + 7) / 8));
  put_bytes(out, right_align(parts->e, 4));
}

}  // namespace tokensim
