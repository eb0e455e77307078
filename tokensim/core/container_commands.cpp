// Container and certificate family.
#include <algorithm>

#include "core/token.h"
#include "core/token_keys.h"

namespace tokensim {
namespace {

constexpr size_t MAX_CONTAINERS = 16;
constexpr size_t MAX_NAME = 128;
constexpr size_t MAX_CERTIFICATE = 65536 - 4;
constexpr size_t EXPORT_PORTION = 1024;

container_record& by_name(token& t, application_record& a, const std::string& name) {
  container_record* c = t.container_by_name(a, name);
  if (!c) throw token_error(SW_APP_NOT_FOUND);
  return *c;
}

void container_id_answer(const container_record& c, answer& out) { put_u16(out.data, c.id); }

void create_container(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = t.app(in.u16());
  t.require_user(a.id);
  const std::string name = in.text(in.remaining());
  if (name.empty() || name.size() > MAX_NAME) throw token_error(SW_WRONG_DATA);
  if (t.container_by_name(a, name)) throw token_error(SW_APP_EXISTS);
  if (a.containers.size() >= MAX_CONTAINERS) throw token_error(SW_NO_ROOM);
  container_record rec;
  rec.id = a.next_container_id++;
  rec.name = name;
  a.containers.push_back(std::move(rec));
  container_id_answer(a.containers.back(), out);
}

void open_container(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = t.app(in.u16());
  container_id_answer(by_name(t, a, in.text(in.remaining())), out);
}

void close_container(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  container_by_id(t, in);
}

void enum_containers(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  const uint16_t id = in.u16();
  if (next_listing_portion(t, c, id, out)) return;
  bytes list;
  for (const auto& rec : t.app(id).containers) {
    put_bytes(list, std::span(reinterpret_cast<const uint8_t*>(rec.name.data()), rec.name.size()));
    list.push_back(0);
  }
  list.push_back(0);
  answer_listing(t, c, id, std::move(list), out);
}

void delete_container(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  application_record& a = t.app(in.u16());
  t.require_user(a.id);
  const uint16_t id = by_name(t, a, in.text(in.remaining())).id;
  std::erase_if(a.containers, [&](const auto& rec) { return rec.id == id; });
  std::erase_if(t.session.keys, [&](const auto& k) { return k->app == a.id && k->container == id; });
}

uint32_t key_bits(const token& t, const key_pair& pair) {
  if (pair.type == KEY_SM2) return 256;
  if (pair.type == KEY_RSA) return rsa_bits(t.load_private(pair).get());
  return 0;
}

void get_container_info(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = t.app(in.u16());
  const container_record& rec = by_name(t, a, in.text(in.remaining()));
  const key_type type = rec.sign_key.type != KEY_NONE ? rec.sign_key.type : rec.exchange_key.type;
  out.data.push_back(type);
  put_u32(out.data, key_bits(t, rec.sign_key));
  put_u32(out.data, key_bits(t, rec.exchange_key));
  out.data.push_back(!rec.sign_cert.empty());
  out.data.push_back(!rec.exchange_cert.empty());
}

void get_container_name(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  const container_record& rec = *container_by_id(t, in).container;
  out.data.assign(rec.name.begin(), rec.name.end());
}

// Chained: app, container, sign flag (1), length (4), then the certificate.
void import_certificate(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  const bool sign = in.u8() != 0;
  const uint32_t length = in.u32();
  if (length == 0 || length > MAX_CERTIFICATE || length != in.remaining()) throw token_error(SW_WRONG_LENGTH);
  (sign ? ref.container->sign_cert : ref.container->exchange_cert) = in.copy(length);
}

// The first portion starts with the certificate's length; 0x6A9E means more.
void export_certificate(token& t, const command_unit& c, answer& out) {
  token_session& s = t.session;
  if (!s.export_started || s.export_rest.empty()) {
    data_reader in(c.data);
    const container_record& rec = *container_by_id(t, in).container;
    const bytes& cert = c.p1 ? rec.sign_cert : rec.exchange_cert;
    if (cert.empty()) throw token_error(SW_CERT_NOT_FOUND);
    s.export_rest.clear();
    put_u32(s.export_rest, static_cast<uint32_t>(cert.size()));
    put_bytes(s.export_rest, cert);
    s.export_started = true;
  }
  const size_t n = std::min(EXPORT_PORTION, s.export_rest.size());
  out.data.assign(s.export_rest.begin(), s.export_rest.begin() + static_cast<long>(n));
  s.export_rest.erase(s.export_rest.begin(), s.export_rest.begin() + static_cast<long>(n));
  if (!s.export_rest.empty())
    out.sw = SW_MORE_DATA;
  else
    s.export_started = false;
}

void set_container_ext_info(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  ref.container->ext_info[static_cast<uint16_t>(c.p1 << 8 | c.p2)] = in.copy(in.remaining());
}

void delete_key_pair(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  key_pair& pair = token::pair_for(*ref.container, c.p1);
  if (pair.type == KEY_NONE) throw token_error(SW_KEY_NOT_FOUND);
  pair = key_pair{};
}

void delete_certificate(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  container_ref ref = container_by_id(t, in);
  t.require_user(ref.app->id);
  bytes& cert = c.p1 ? ref.container->sign_cert : ref.container->exchange_cert;
  if (cert.empty()) throw token_error(SW_CERT_NOT_FOUND);
  cert.clear();
}

const command_route ROUTES[] = {
    {0x80, 0x40, -1, create_container},       {0x80, 0x42, -1, open_container},
    {0x80, 0x44, -1, close_container},        {0x80, 0x46, -1, enum_containers},
    {0x80, 0x48, -1, delete_container},       {0x80, 0x4A, -1, get_container_info},
    {0xC0, 0x74, -1, get_container_name},     {0x80, 0x4C, -1, import_certificate},
    {0x80, 0x4E, -1, export_certificate},     {0xC0, 0x70, -1, set_container_ext_info},
    {0xC0, 0x22, -1, delete_key_pair},        {0xC0, 0x24, -1, delete_certificate},
};

}  // namespace

std::span<const command_route> container_routes() { return ROUTES; }

}  // namespace tokensim
