#pragma once
// The virtual token: persistent records, session state that a power cycle
// clears, and the helpers every command family shares.
#include <cstring>

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/byte_io.h"
#include "core/token_crypto.h"
#include "core/token_state.h"

namespace tokensim {

struct command_unit {
  uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
  std::span<const uint8_t> data;
  uint32_t le = 0;  // 0 when absent
};

struct answer {
  bytes data;
  uint16_t sw = SW_OK;
};

// Security state bits of an application, as the host reads them back.
inline constexpr uint32_t ADMIN_VERIFIED = 0x01;
inline constexpr uint32_t USER_VERIFIED = 0x10;

struct session_key {
  uint16_t app = 0, container = 0, id = 0;
  uint32_t algorithm = 0;
  bytes value;
  cipher_ctx_ptr cipher;   // running Encrypt/Decrypt
  bool encrypting = false;
  bool mac_active = false; // running MAC
  bytes mac_iv;
  bytes mac_data;
  uint32_t mac_padding = 0;
  uint64_t file_position = 0;  // keystream position of the file cipher
  ~session_key() {
    if (!value.empty()) explicit_bzero(value.data(), value.size());
  }
};

// A listing answered in portions: status 0x6A9E until the last one.
struct pending_listing {
  uint8_t ins = 0;
  uint16_t app = 0;
  uint8_t p1 = 0;
  bytes rest;
};

struct chain_state {
  bool open = false;
  uint8_t ins = 0, p1 = 0, p2 = 0;
  bytes data;
};

struct fault_rule {
  uint8_t ins;
  int16_t p1;      // -1: any
  uint16_t sw;
  int remaining;   // -1: for ever
};

struct agreement_state {
  uint16_t app = 0, container = 0;
  uint32_t id = 0;
  uint32_t algorithm = 0;
  pkey_ptr ephemeral;
  bytes own_id;
};

struct token_session {
  std::map<uint16_t, uint32_t> security;  // application id -> verified bits
  bytes challenge;                        // last ordinary random, for PIN and device checks
  bytes remote_challenge;                 // last random for a remote unblock
  bool device_authenticated = false;
  std::vector<std::unique_ptr<session_key>> keys;
  md_ctx_ptr digest;
  chain_state chain;
  pending_listing listing;
  bytes export_rest;                      // certificate still to be exported
  bool export_started = false;
  pkey_ptr ram_sm2, ram_rsa;              // external keys loaded for one-off operations
  pkey_ptr ext_rsa;                       // generated external RSA pair, until exported
  std::vector<agreement_state> agreements;
  uint32_t next_agreement_id = 0x100;
  int interactive_waits_left = -1;        // -1: no request pending
  int finger_waits_left = -1;            // -1: no wait begun
  bool finger_ready = false;              // a finger is on the sensor for the next verification
  int enroll_presses_left = -1;
};

struct token_config {
  size_t key_store_capacity = 8;
  int interactive_waits = 0;   // polls answered 0x6F01 before a confirmed signature
  int finger_waits = 0;        // polls answered 0x6F0D before a finger is on the sensor
  int enroll_presses = 3;      // presses an enrolment takes
  bool finger_matches = true;  // whether the finger on the sensor is an enrolled one
  uint8_t finger_on_sensor = 1;
};

class token {
public:
  device_record device;
  token_session session;
  token_config config;
  std::vector<fault_rule> faults;

  // lookups that answer the matching status when the object is missing
  application_record& app(uint16_t id);
  application_record* app_by_name(const std::string& name);
  container_record& container(application_record& a, uint16_t id);
  container_record* container_by_name(application_record& a, const std::string& name);
  session_key& key(uint16_t app, uint16_t container, uint16_t id);
  session_key& add_key(uint16_t app, uint16_t container, uint32_t algorithm, bytes value);
  void destroy_key(uint16_t app, uint16_t container, uint16_t id);

  uint32_t security(uint16_t app) const;
  bool user_verified(uint16_t app) const { return security(app) & USER_VERIFIED; }
  void require_user(uint16_t app) const;
  // rights: 0x00 nobody, 0x01 administrator, 0x10 user, 0x11 either, 0xFF anyone
  bool rights_allow(uint16_t app, uint32_t rights) const;

  // the key pair a selector names: 0 the exchange pair, anything else the signing pair
  static key_pair& pair_for(container_record& c, uint8_t selector);
  pkey_ptr load_private(const key_pair& pair) const;

  uint32_t free_space() const;
};

using handler_fn = void (*)(token&, const command_unit&, answer&);

struct command_route {
  uint8_t cla;
  uint8_t ins;
  int16_t p1;  // -1: any
  handler_fn handle;
};

// Routes of each command family, one file each.
std::span<const command_route> device_routes();
std::span<const command_route> pin_routes();
std::span<const command_route> application_routes();
std::span<const command_route> file_routes();
std::span<const command_route> container_routes();
std::span<const command_route> session_key_routes();
std::span<const command_route> digest_routes();
std::span<const command_route> ecc_routes();
std::span<const command_route> rsa_routes();
std::span<const command_route> fingerprint_routes();

// Interactive signatures: false, with 0x6F01 in out, while the user has
// not yet confirmed the pending request at the token.
bool user_has_confirmed(token& t, answer& out);

// Provisioning of a new token.
device_record new_device_record(const std::string& serial);
inline const std::string MAC_APPLICATION_NAME = "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7";

// Answer a name list in portions no longer than the exchange allows.
void answer_listing(token& t, const command_unit& c, uint16_t app, bytes list, answer& out);
// The next portion of a listing still being answered; false when none is.
bool next_listing_portion(token& t, const command_unit& c, uint16_t app, answer& out);

}  // namespace tokensim
