// Fingerprint family. The sensor is simulated: configuration says how many
// polls pass before a finger is on it, which finger it is, and how many
// presses an enrolment takes.
#include <algorithm>

#include "core/token.h"

namespace tokensim {
namespace {

constexpr size_t DESCRIPTOR_SIZE = 16;
constexpr uint8_t ALL_FINGERS = 0xFF;
constexpr uint16_t SW_ENROLL_MORE = 0x6F08;  // | presses left << 4

void require_sensor(const token& t) {
  if (!t.device.has_fingerprint) throw token_error(SW_INS_NOT_SUPPORTED);
}

application_record& app_of(token& t, data_reader& in) {
  require_sensor(t);
  return t.app(in.u16());
}

// The Init commands: 0x6F0D while the sensor waits for a finger.
bool wait_for_finger(token& t, answer& out) {
  int& left = t.session.finger_waits_left;
  if (left < 0) left = t.config.finger_waits;
  if (left > 0) {
    --left;
    out.sw = SW_WAIT_FINGER;
    return false;
  }
  left = -1;
  t.session.finger_ready = true;
  return true;
}

const fingerprint_record* matching_finger(const token& t, const application_record& a, uint8_t user_type,
                                          std::span<const uint8_t> allowed, int container) {
  if (!t.config.finger_matches) return nullptr;
  for (const auto& f : a.fingers) {
    if (f.user_type != user_type || f.finger != t.config.finger_on_sensor) continue;
    if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), f.finger) == allowed.end()) continue;
    if (container >= 0 && f.container_id != container) continue;
    return &f;
  }
  return nullptr;
}

enum class verify_mode : uint8_t { verify = 0, test = 1, query = 2 };

void finish_verification(token& t, application_record& a, uint8_t user_type, std::span<const uint8_t> allowed,
                         int container, verify_mode mode, answer& out) {
  if (!a.finger_enabled) throw token_error(SW_CONDITIONS_NOT_SATISFIED);
  if (a.finger_remaining == 0) throw token_error(SW_AUTH_BLOCKED);
  if (!t.session.finger_ready) throw token_error(SW_CONDITIONS_NOT_SATISFIED);
  t.session.finger_ready = false;
  const fingerprint_record* f = matching_finger(t, a, user_type, allowed, container);
  if (!f) {
    --a.finger_remaining;
    out.sw = static_cast<uint16_t>(SW_RETRIES_BASE | a.finger_remaining);
    return;
  }
  a.finger_remaining = a.finger_max_retries;
  out.data.push_back(f->finger);
  if (mode == verify_mode::query) {
    out.data.insert(out.data.end(), f->descriptor.begin(), f->descriptor.end());
    put_u16(out.data, f->container_id);
    out.data.push_back(f->value);
  }
  if (mode == verify_mode::verify) t.session.security[a.id] |= user_type == PIN_ADMIN ? ADMIN_VERIFIED : USER_VERIFIED;
}

void create_record(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  application_record& a = app_of(t, in);
  if (!(t.security(a.id) & ADMIN_VERIFIED)) throw token_error(SW_SECURITY_NOT_SATISFIED);
  a.fingers.clear();
  a.finger_remaining = a.finger_max_retries;
}

void enroll(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = app_of(t, in);
  const uint8_t finger = in.u8();
  int& presses = t.session.enroll_presses_left;
  if (c.p1 == 1) {
    if (wait_for_finger(t, out)) presses = t.config.enroll_presses;
    return;
  }
  if (presses <= 0) throw token_error(SW_CONDITIONS_NOT_SATISFIED);
  if (--presses > 0) {
    out.sw = static_cast<uint16_t>(SW_ENROLL_MORE | (std::min(presses, 15) << 4));
    return;
  }
  presses = -1;
  std::erase_if(a.fingers, [&](const auto& f) { return f.finger == finger && f.user_type == c.p2; });
  a.fingers.push_back({finger, c.p2, bytes(DESCRIPTOR_SIZE, 0), 0, 0});
}

void verify(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = app_of(t, in);
  const uint8_t mode = in.u8();
  if (c.p1 == 1) return void(wait_for_finger(t, out));
  if (mode > 2) throw token_error(SW_WRONG_DATA);
  finish_verification(t, a, c.p2, {}, -1, static_cast<verify_mode>(mode), out);
}

void verify_listed(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = app_of(t, in);
  const auto allowed = in.take(in.u8());
  if (c.p1 == 1) return void(wait_for_finger(t, out));
  finish_verification(t, a, c.p2, allowed, -1, verify_mode::verify, out);
}

void verify_for_container(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = app_of(t, in);
  const uint16_t container = in.u16();
  const auto finger = in.take(1);
  if (c.p1 == 1) return void(wait_for_finger(t, out));
  finish_verification(t, a, c.p2, finger, container, verify_mode::verify, out);
}

void delete_finger(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  application_record& a = app_of(t, in);
  const size_t removed = std::erase_if(a.fingers, [&](const auto& f) {
    return f.user_type == c.p2 && (c.p1 == ALL_FINGERS || f.finger == c.p1);
  });
  if (removed == 0) throw token_error(SW_NOTHING_TO_DELETE);
}

// P1 0: enabled, enrolled count, maximum and remaining retries, then one byte
// per finger slot (1 when enrolled). P1 n: the descriptor of the n-th finger.
void get_info(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = app_of(t, in);
  std::vector<const fingerprint_record*> mine;
  for (const auto& f : a.fingers)
    if (f.user_type == c.p2) mine.push_back(&f);
  if (c.p1 == 0) {
    out.data = {a.finger_enabled, static_cast<uint8_t>(mine.size()), a.finger_max_retries, a.finger_remaining};
    bytes slots(10, 0);
    for (const auto* f : mine)
      if (f->finger < slots.size()) slots[f->finger] = 1;
    put_bytes(out.data, slots);
    return;
  }
  const size_t index = c.p1 - 1u;
  if (index >= mine.size()) throw token_error(SW_NOTHING_TO_DELETE);
  put_bytes(out.data, mine[index]->descriptor);
  put_u16(out.data, mine[index]->container_id);
  out.data.push_back(mine[index]->value);
}

void configure(token& t, const command_unit& c, answer&) {
  if (c.p1 == 0 && c.data.empty()) {  // clean every finger of every application
    require_sensor(t);
    for (auto& a : t.device.apps) a.fingers.clear();
    return;
  }
  data_reader in(c.data);
  application_record& a = app_of(t, in);
  switch (c.p1) {
    case 1:
      if (!(t.security(a.id) & ADMIN_VERIFIED)) throw token_error(SW_SECURITY_NOT_SATISFIED);
      a.finger_remaining = a.finger_max_retries;
      return;
    case 2:
    case 3:
      a.finger_enabled = c.p1 == 2;
      return;
    case 4: {
      const uint8_t finger = in.u8();
      auto f = std::find_if(a.fingers.begin(), a.fingers.end(),
                            [&](const auto& r) { return r.finger == finger && r.user_type == c.p2; });
      if (f == a.fingers.end()) throw token_error(SW_NOTHING_TO_DELETE);
      f->descriptor = in.copy(DESCRIPTOR_SIZE);
      f->container_id = in.u16();
      f->value = in.u8();
      return;
    }
    default:
      throw token_error(SW_WRONG_P1P2);
  }
}

void cancel(token& t, const command_unit&, answer&) {
  require_sensor(t);
  t.session.finger_waits_left = -1;
  t.session.finger_ready = false;
  t.session.enroll_presses_left = -1;
}

const command_route ROUTES[] = {
    {0xC0, 0xB0, -1, create_record}, {0xC0, 0xB1, -1, enroll},     {0xC0, 0xB2, -1, verify},
    {0xC0, 0xB3, -1, delete_finger}, {0xC0, 0xB4, -1, get_info},   {0xC0, 0xB5, -1, configure},
    {0xC0, 0xBC, -1, cancel},        {0xC0, 0xBE, -1, verify_listed}, {0xC0, 0xBF, -1, verify_for_container},
};

}  // namespace

std::span<const command_route> fingerprint_routes() { return ROUTES; }

}  // namespace tokensim
