// Application family. Creating, updating and deleting applications needs a
// device authenticated in this session.
#include <algorithm>

#include "core/token.h"

namespace tokensim {
namespace {

constexpr size_t RECORD_SIZE = 80;
constexpr size_t MAX_APPLICATIONS = 16;
constexpr uint8_t MAX_RETRIES = 15;  // the retry status carries four bits

void require_device_auth(const token& t) {
  if (!t.session.device_authenticated) throw token_error(SW_SECURITY_NOT_SATISFIED);
}

bool rights_accepted(uint32_t rights) {
  static constexpr uint32_t ACCEPTED[] = {0x00, 0x01, 0x10, 0x11, 0xFF};
  return std::find(std::begin(ACCEPTED), std::end(ACCEPTED), rights) != std::end(ACCEPTED);
}

struct app_settings {
  std::string name;
  pin_record admin, user;
  uint32_t rights;
};

pin_record read_pin(data_reader& in) {
  pin_record p;
  p.value = field_text(in.take(16));
  const uint32_t retries = in.u32();
  if (p.value.empty() || retries == 0 || retries > MAX_RETRIES) throw token_error(SW_WRONG_DATA);
  p.max_retries = p.remaining = static_cast<uint8_t>(retries);
  p.is_default = true;
  return p;
}

app_settings read_record(data_reader& in) {
  if (in.remaining() != RECORD_SIZE) throw token_error(SW_WRONG_LENGTH);
  app_settings s;
  s.name = field_text(in.take(32));
  s.admin = read_pin(in);
  s.user = read_pin(in);
  s.rights = in.u32_le();
  if (s.name.empty() || !rights_accepted(s.rights)) throw token_error(SW_WRONG_DATA);
  return s;
}

void create_application(token& t, const command_unit& c, answer&) {
  require_device_auth(t);
  data_reader in(c.data);
  app_settings s = read_record(in);
  if (t.app_by_name(s.name)) throw token_error(SW_APP_EXISTS);
  if (t.device.apps.size() >= MAX_APPLICATIONS) throw token_error(SW_NO_ROOM);
  application_record a;
  a.id = t.device.next_app_id++;
  a.name = std::move(s.name);
  a.pins[PIN_ADMIN] = std::move(s.admin);
  a.pins[PIN_USER] = std::move(s.user);
  a.create_rights = s.rights;
  t.device.apps.push_back(std::move(a));
}

void update_application(token& t, const command_unit& c, answer&) {
  require_device_auth(t);
  data_reader in(c.data);
  application_record& a = t.app(in.u16());
  app_settings s = read_record(in);
  a.pins[PIN_ADMIN] = std::move(s.admin);
  a.pins[PIN_USER] = std::move(s.user);
  a.create_rights = s.rights;
  t.session.security.erase(a.id);
}

// Names each ended by a zero byte, and one more zero at the end of the list.
// The application that carries the host's MAC key is not listed.
void enum_application(token& t, const command_unit& c, answer& out) {
  if (next_listing_portion(t, c, 0, out)) return;
  bytes list;
  for (const auto& a : t.device.apps) {
    if (a.name == MAC_APPLICATION_NAME) continue;
    put_bytes(list, std::span(reinterpret_cast<const uint8_t*>(a.name.data()), a.name.size()));
    list.push_back(0);
  }
  list.push_back(0);
  answer_listing(t, c, 0, std::move(list), out);
}

void delete_application(token& t, const command_unit& c, answer&) {
  require_device_auth(t);
  const std::string name(c.data.begin(), c.data.end());
  auto& apps = t.device.apps;
  auto it = std::find_if(apps.begin(), apps.end(), [&](const auto& a) { return a.name == name; });
  if (it == apps.end()) throw token_error(SW_APP_NOT_FOUND);
  const uint16_t id = it->id;
  apps.erase(it);
  t.session.security.erase(id);
  std::erase_if(t.session.keys, [&](const auto& k) { return k->app == id; });
}

void open_application(token& t, const command_unit& c, answer& out) {
  application_record* a = t.app_by_name(std::string(c.data.begin(), c.data.end()));
  if (!a) throw token_error(SW_APP_NOT_FOUND);
  out.data = {a->pins[PIN_ADMIN].max_retries, a->pins[PIN_ADMIN].remaining, a->pins[PIN_USER].max_retries,
              a->pins[PIN_USER].remaining};
  put_u32_le(out.data, a->create_rights);
  put_u16(out.data, a->id);
}

void close_application(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  const uint16_t id = in.u16();
  t.app(id);
  t.session.security.erase(id);
}

void get_app_extended_info(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  const application_record& a = t.app(in.u16());
  out.data = {a.pins[PIN_ADMIN].max_retries, a.pins[PIN_ADMIN].remaining, a.pins[PIN_USER].max_retries,
              a.pins[PIN_USER].remaining};
  put_u32_le(out.data, t.security(a.id));
}

const command_route ROUTES[] = {
    {0x80, 0x20, -1, create_application}, {0xC0, 0x62, -1, update_application},
    {0x80, 0x22, -1, enum_application},   {0x80, 0x24, -1, delete_application},
    {0x80, 0x26, -1, open_application},   {0x80, 0x28, -1, close_application},
    {0xC0, 0x60, -1, get_app_extended_info},
};

}  // namespace

std::span<const command_route> application_routes() { return ROUTES; }

}  // namespace tokensim
