#include "core/token.h"

#include <algorithm>

namespace tokensim {

application_record& token::app(uint16_t id) {
  for (auto& a : device.apps)
    if (a.id == id) return a;
  throw token_error(SW_APP_NOT_FOUND);
}

application_record* token::app_by_name(const std::string& name) {
  for (auto& a : device.apps)
    if (a.name == name) return &a;
  return nullptr;
}

container_record& token::container(application_record& a, uint16_t id) {
  for (auto& c : a.containers)
    if (c.id == id) return c;
  throw token_error(SW_WRONG_DATA);
}

container_record* token::container_by_name(application_record& a, const std::string& name) {
  for (auto& c : a.containers)
    if (c.name == name) return &c;
  return nullptr;
}

session_key& token::key(uint16_t app_id, uint16_t container_id, uint16_t id) {
  for (auto& k : session.keys)
    if (k->app == app_id && k->container == container_id && k->id == id) return *k;
  throw token_error(SW_KEY_NOT_FOUND);
}

// Key ids are the slots of the key store, 1 to its capacity.
session_key& token::add_key(uint16_t app_id, uint16_t container_id, uint32_t algorithm, bytes value) {
  if (session.keys.size() >= config.key_store_capacity) throw token_error(SW_NO_ROOM);
  uint16_t id = 1;
  while (std::any_of(session.keys.begin(), session.keys.end(), [&](const auto& k) { return k->id == id; })) ++id;
  auto k = std::make_unique<session_key>();
  k->app = app_id;
  k->container = container_id;
  k->id = id;
  k->algorithm = algorithm;
  k->value = std::move(value);
  session.keys.push_back(std::move(k));
  return *session.keys.back();
}

void token::destroy_key(uint16_t app_id, uint16_t container_id, uint16_t id) {
  auto& keys = session.keys;
  auto it = std::find_if(keys.begin(), keys.end(), [&](const auto& k) {
    return k->app == app_id && k->container == container_id && k->id == id;
  });
  if (it == keys.end()) throw token_error(SW_KEY_NOT_FOUND);
  keys.erase(it);
}

uint32_t token::security(uint16_t app_id) const {
  auto it = session.security.find(app_id);
  return it == session.security.end() ? 0 : it->second;
}

void token::require_user(uint16_t app_id) const {
  if (!user_verified(app_id)) throw token_error(SW_SECURITY_NOT_SATISFIED);
}

bool token::rights_allow(uint16_t app_id, uint32_t rights) const {
  if (rights == 0xFF) return true;
  const uint32_t state = security(app_id);
  return ((rights & 0x01) && (state & ADMIN_VERIFIED)) || ((rights & 0x10) && (state & USER_VERIFIED));
}

key_pair& token::pair_for(container_record& c, uint8_t selector) {
  return selector == 0 ? c.exchange_key : c.sign_key;
}

pkey_ptr token::load_private(const key_pair& pair) const {
  pkey_ptr key;
  if (pair.type == KEY_SM2) key = sm2_from_private(pair.private_der);
  if (pair.type == KEY_RSA) key = private_from_der(pair.private_der);
  if (!key) throw token_error(SW_KEY_NOT_FOUND);
  return key;
}

uint32_t token::free_space() const {
  size_t used = 0;
  for (const auto& a : device.apps) {
    for (const auto& f : a.files) used += f.content.size() + 64;
    for (const auto& c : a.containers) used += c.sign_cert.size() + c.exchange_cert.size() + 256;
  }
  return used >= TOTAL_SPACE ? 0 : static_cast<uint32_t>(TOTAL_SPACE - used);
}

device_record new_device_record(const std::string& serial) {
  device_record d;
  d.label = "tokensim";
  d.serial = serial.substr(0, 32);
  d.hardware_serial.assign(serial.begin(), serial.end());
  d.oem_area.assign(OEM_AREA_SIZE, 0xFF);
  static const char DEFAULT_AUTH_KEY[] = "1234567812345678";
  d.dev_auth_key.assign(DEFAULT_AUTH_KEY, DEFAULT_AUTH_KEY + 16);

  // Every token carries the application and container in which the host
  // computes its PIN-changing MACs.
  application_record mac_app;
  mac_app.id = d.next_app_id++;
  mac_app.name = MAC_APPLICATION_NAME;
  mac_app.pins[PIN_ADMIN] = {"12345678", 10, 10, true};
  mac_app.pins[PIN_USER] = {"12345678", 10, 10, true};
  mac_app.create_rights = 0xFF;
  container_record mac_container;
  mac_container.id = mac_app.next_container_id++;
  mac_container.name = MAC_APPLICATION_NAME;
  mac_app.containers.push_back(std::move(mac_container));
  d.apps.push_back(std::move(mac_app));
  return d;
}

void answer_listing(token& t, const command_unit& c, uint16_t app, bytes list, answer& out) {
  constexpr size_t PORTION = 1024;
  pending_listing& l = t.session.listing;
  l = {c.ins, app, c.p1, {}};
  if (list.size() > PORTION) {
    l.rest.assign(list.begin() + PORTION, list.end());
    list.resize(PORTION);
    out.sw = SW_MORE_DATA;
  }
  out.data = std::move(list);
}

bool user_has_confirmed(token& t, answer& out) {
  int& left = t.session.interactive_waits_left;
  if (left < 0) left = t.config.interactive_waits;
  if (left > 0) {
    --left;
    out.sw = SW_WAIT_USER;
    return false;
  }
  left = -1;
  return true;
}

bool next_listing_portion(token& t, const command_unit& c, uint16_t app, answer& out) {
  pending_listing& l = t.session.listing;
  if (l.ins != c.ins || l.app != app || l.p1 != c.p1 || l.rest.empty()) return false;
  answer_listing(t, c, app, std::move(l.rest), out);
  return true;
}

}  // namespace tokensim
