// PIN family. PINs never travel in clear: verification answers the token's
// challenge encrypted under a key derived from the PIN, and the changing
// commands carry the new PIN encrypted under the old (or administrator) PIN's
// key together with a MAC over it keyed the same way.
#include <algorithm>

#include "core/token.h"

namespace tokensim {
namespace {

constexpr size_t MAC_SIZE = 4;
constexpr size_t MATERIAL_SIZE = 16;
constexpr size_t PIN_MAX = 64;
constexpr uint32_t SM4_ECB = 0x00000401;

pin_record& pin_of(application_record& a, uint8_t type) {
  if (type > PIN_USER) throw token_error(SW_WRONG_P1P2);
  return a.pins[type];
}

void require_unlocked(const pin_record& p) {
  if (p.remaining == 0) throw token_error(SW_AUTH_BLOCKED);
}

void count_failure(pin_record& p, answer& out) {
  if (p.remaining) --p.remaining;
  out.sw = static_cast<uint16_t>(SW_RETRIES_BASE | p.remaining);
}

void mark_verified(token& t, uint16_t app, uint8_t type) {
  t.session.security[app] |= type == PIN_ADMIN ? ADMIN_VERIFIED : USER_VERIFIED;
}

// The 16-byte challenge area: the first 8 random bytes, then zeros. A
// challenge answers one command only.
bytes take_challenge_area(token& t) {
  bytes area = std::move(t.session.challenge);
  t.session.challenge.clear();
  if (area.size() < 8) throw token_error(SW_CONDITIONS_NOT_SATISFIED);
  area.resize(8);
  area.resize(16, 0);
  return area;
}

bool answers_challenge(const pin_record& p, std::span<const uint8_t> material, const bytes& area) {
  if (material.size() != MATERIAL_SIZE) return false;
  const bytes key = pin_key(p.value, pin_key_mode::verification);
  const auto value = open_pin_block(key, material);
  return value && value->size() == 8 && std::equal(value->begin(), value->end(), area.begin());
}

bool equal_bytes(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// The new PIN out of block ‖ MAC, checked against the key of `authority`.
// pad_variants: MAC paddings accepted (0x80 only when unaligned, always).
std::optional<std::string> open_new_pin(const pin_record& authority, std::span<const uint8_t> block_and_mac,
                                        const bytes& iv, bool accept_always_padded) {
  if (block_and_mac.size() < 16 + MAC_SIZE) return std::nullopt;
  const auto block = block_and_mac.first(block_and_mac.size() - MAC_SIZE);
  const auto mac = block_and_mac.last(MAC_SIZE);
  const bytes key = pin_key(authority.value, pin_key_mode::change);
  const auto value = open_pin_block(key, block);
  if (!value || value->empty() || value->size() > PIN_MAX) return std::nullopt;
  for (bool pad_always : {false, true}) {
    if (pad_always && !accept_always_padded) break;
    const auto full = cbc_mac(SM4_ECB, key, iv, *value, pad_always);
    if (full && equal_bytes(std::span(*full).first(MAC_SIZE), mac))
      return std::string(value->begin(), value->end());
  }
  return std::nullopt;
}

// Caller-prepared requests: the 16-byte challenge block of the authorising
// PIN, then the new PIN's characters.
std::pair<std::span<const uint8_t>, std::string> read_prepared(data_reader& in) {
  const auto material = in.take(MATERIAL_SIZE);
  std::string next = in.text(in.remaining());
  if (next.empty() || next.size() > 16) throw token_error(SW_WRONG_LENGTH);
  return {material, std::move(next)};
}

void set_pin(pin_record& p, std::string value) {
  p.value = std::move(value);
  p.remaining = p.max_retries;
  p.is_default = false;
}

void get_pin_info(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  const pin_record& p = pin_of(t.app(in.u16()), c.p2);
  out.data = {p.max_retries, p.remaining, static_cast<uint8_t>(p.is_default)};
}

void verify_pin(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  const uint16_t id = in.u16();
  pin_record& p = pin_of(t.app(id), c.p2);
  require_unlocked(p);
  const bytes area = take_challenge_area(t);
  if (!answers_challenge(p, in.rest(), area)) return count_failure(p, out);
  p.remaining = p.max_retries;
  mark_verified(t, id, c.p2);
}

void change_pin(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  const uint16_t id = in.u16();
  pin_record& p = pin_of(t.app(id), c.p2);
  require_unlocked(p);
  const bytes area = take_challenge_area(t);
  auto value = open_new_pin(p, in.rest(), area, false);
  if (!value) return count_failure(p, out);
  set_pin(p, std::move(*value));
}

// Caller-prepared material: the challenge block of the old PIN, then the new PIN.
void change_pin_ms(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  const uint16_t id = in.u16();
  pin_record& p = pin_of(t.app(id), c.p2);
  require_unlocked(p);
  const bytes area = take_challenge_area(t);
  const auto [material, next] = read_prepared(in);
  if (!answers_challenge(p, material, area)) return count_failure(p, out);
  set_pin(p, next);
}

void verify_pin_ms(token& t, const command_unit& c, answer& out) { verify_pin(t, c, out); }

void unblock_pin(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = t.app(in.u16());
  pin_record& admin = a.pins[PIN_ADMIN];
  require_unlocked(admin);
  const bytes area = take_challenge_area(t);
  auto value = open_new_pin(admin, in.rest(), area, false);
  if (!value) return count_failure(admin, out);
  admin.remaining = admin.max_retries;
  set_pin(a.pins[PIN_USER], std::move(*value));
}

void unblock_pin_ms(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = t.app(in.u16());
  pin_record& admin = a.pins[PIN_ADMIN];
  require_unlocked(admin);
  const bytes area = take_challenge_area(t);
  const auto [material, next] = read_prepared(in);
  if (!answers_challenge(admin, material, area)) return count_failure(admin, out);
  admin.remaining = admin.max_retries;
  set_pin(a.pins[PIN_USER], next);
}

// The response an administrator computed elsewhere from the remote challenge;
// its MAC may pad the new PIN either way the host offers.
void remote_unblock_pin(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  application_record& a = t.app(in.u16());
  pin_record& admin = a.pins[PIN_ADMIN];
  require_unlocked(admin);
  bytes iv = std::move(t.session.remote_challenge);
  t.session.remote_challenge.clear();
  if (iv.empty()) throw token_error(SW_CONDITIONS_NOT_SATISFIED);
  iv.resize(16, 0);
  auto value = open_new_pin(admin, in.rest(), iv, true);
  if (!value) return count_failure(admin, out);
  set_pin(a.pins[PIN_USER], std::move(*value));
}

void clear_secure_state(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  const uint16_t id = in.u16();
  t.app(id);
  t.session.security.erase(id);
}

// UnblockPin and UnblockPin_MS share INS and P1 and differ in P2.
void unblock_by_p2(token& t, const command_unit& c, answer& out) {
  if (c.p2 == 0) return unblock_pin(t, c, out);
  if (c.p2 == 1) return unblock_pin_ms(t, c, out);
  throw token_error(SW_WRONG_P1P2);
}

const command_route ROUTES[] = {
    {0x80, 0x14, -1, get_pin_info},
    {0x84, 0x16, 0, change_pin},
    {0x80, 0x18, 0, verify_pin},
    {0x84, 0x16, 1, change_pin_ms},
    {0x80, 0x18, 1, verify_pin_ms},
    {0x84, 0x1A, 0, unblock_by_p2},
    {0x84, 0x1A, 1, remote_unblock_pin},
    {0x80, 0x1C, -1, clear_secure_state},
};

}  // namespace

std::span<const command_route> pin_routes() { return ROUTES; }

}  // namespace tokensim
