// Device family: label, device information, device authentication, random
// numbers, free space, serial numbers and the OEM area.
#include <algorithm>
#include <cstring>

#include "core/token.h"

namespace tokensim {
namespace {

constexpr size_t MAX_RANDOM = 2046;  // one answer must fit the host's receive area

void put_text_field(bytes& out, const std::string& text, size_t width) {
  bytes field(width, 0);
  memcpy(field.data(), text.data(), std::min(width, text.size()));
  put_bytes(out, field);
}

void set_label(token& t, const command_unit& c, answer&) {
  if (c.data.size() > 32) throw token_error(SW_WRONG_LENGTH);
  t.device.label.assign(c.data.begin(), c.data.end());
}

void get_dev_info(token& t, const command_unit&, answer& out) {
  const device_record& d = t.device;
  bytes& r = out.data;
  put_u16(r, 0x0100);
  put_u16(r, 0);
  put_text_field(r, "Tokensim virtual token", 64);
  put_text_field(r, "Tokensim", 64);
  put_text_field(r, d.label, 32);
  put_text_field(r, d.serial, 32);
  put_u16(r, 0x0100);
  put_u16(r, d.firmware_version);
  put_u32_le(r, 0x00000400);  // symmetric: SM4
  put_u32_le(r, 0x00030700);  // asymmetric: RSA, SM2 signature, exchange, encryption
  put_u32_le(r, 0x00000007);  // digests: SM3, SHA-1, SHA-256
  put_u32_le(r, 0x00000401);  // device authentication: SM4-ECB
  put_u32(r, TOTAL_SPACE);
  put_u32(r, t.free_space());
  put_u16(r, d.buffer_size);
  put_u16(r, d.has_fingerprint ? 0x0002 : 0);
  put_u16(r, 0);
}

void get_short_dev_info(token& t, const command_unit&, answer& out) {
  put_text_field(out.data, t.device.label, 32);
  put_text_field(out.data, t.device.serial, 32);
  put_u16(out.data, t.device.firmware_version);
  put_u16(out.data, t.device.has_fingerprint ? 0x0002 : 0);
}

// The host answers a fresh random with it encrypted under the device key.
void dev_auth(token& t, const command_unit& c, answer& out) {
  device_record& d = t.device;
  if (d.dev_auth_remaining == 0) throw token_error(SW_AUTH_BLOCKED);
  bytes challenge = std::move(t.session.challenge);
  t.session.challenge.clear();
  if (challenge.empty()) throw token_error(SW_CONDITIONS_NOT_SATISFIED);
  challenge.resize(16, 0);
  const bytes expected = sm4_ecb(d.dev_auth_key, challenge, true);
  if (c.data.size() != expected.size() || !std::equal(expected.begin(), expected.end(), c.data.begin())) {
    --d.dev_auth_remaining;
    t.session.device_authenticated = false;
    out.sw = d.dev_auth_remaining ? static_cast<uint16_t>(SW_RETRIES_BASE | d.dev_auth_remaining)
                                  : static_cast<uint16_t>(SW_RETRIES_BASE);
    return;
  }
  d.dev_auth_remaining = d.dev_auth_max;
  t.session.device_authenticated = true;
}

void change_dev_auth_key(token& t, const command_unit& c, answer&) {
  if (!t.session.device_authenticated) throw token_error(SW_SECURITY_NOT_SATISFIED);
  if (c.data.size() != 16) throw token_error(SW_WRONG_LENGTH);
  t.device.dev_auth_key.assign(c.data.begin(), c.data.end());
}

void gen_random(token& t, const command_unit& c, answer& out) {
  if (c.le == 0 || c.le > MAX_RANDOM) throw token_error(SW_WRONG_LENGTH);
  out.data = random_bytes(c.le);
  bytes challenge(out.data.begin(), out.data.begin() + std::min<size_t>(16, out.data.size()));
  if (c.p1 == 1)
    t.session.remote_challenge = std::move(challenge);
  else
    t.session.challenge = std::move(challenge);
}

void get_fs_max_cap(token& t, const command_unit&, answer& out) { put_u32(out.data, t.free_space()); }

void get_raw_hwsn(token& t, const command_unit&, answer& out) { out.data = t.device.hardware_serial; }

size_t oem_offset(const command_unit& c) { return size_t{c.p1} << 8 | c.p2; }

void read_oem_info(token& t, const command_unit& c, answer& out) {
  const size_t offset = oem_offset(c);
  if (offset > OEM_AREA_SIZE) throw token_error(SW_WRONG_P1P2);
  const size_t n = std::min<size_t>(c.le, OEM_AREA_SIZE - offset);
  const auto begin = t.device.oem_area.begin() + static_cast<long>(offset);
  out.data.assign(begin, begin + static_cast<long>(n));
}

void write_oem_info(token& t, const command_unit& c, answer&) {
  const size_t offset = oem_offset(c);
  if (offset > OEM_AREA_SIZE || c.data.size() > OEM_AREA_SIZE - offset) throw token_error(SW_NO_ROOM);
  std::copy(c.data.begin(), c.data.end(), t.device.oem_area.begin() + static_cast<long>(offset));
}

const command_route ROUTES[] = {
    {0x80, 0x02, -1, set_label},
    {0x80, 0x04, 0, get_dev_info},
    {0x80, 0x04, 1, get_short_dev_info},
    {0x80, 0x10, -1, dev_auth},
    {0xC0, 0x36, -1, change_dev_auth_key},
    {0x80, 0x50, -1, gen_random},
    {0xC0, 0x02, -1, get_fs_max_cap},
    {0xC0, 0x04, -1, get_raw_hwsn},
    {0xC0, 0x0A, -1, read_oem_info},
    {0xC0, 0x0C, -1, write_oem_info},
};

}  // namespace

std::span<const command_route> device_routes() { return ROUTES; }

}  // namespace tokensim
