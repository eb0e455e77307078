#pragma once
// What a virtual token keeps across power cycles. Everything here is written
// to the token's state file; session state lives in token_session.h.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/byte_io.h"

namespace tokensim {

enum pin_type : uint8_t { PIN_ADMIN = 0, PIN_USER = 1 };

struct pin_record {
  std::string value;
  uint8_t max_retries = 0;
  uint8_t remaining = 0;
  bool is_default = true;
};

enum key_type : uint8_t { KEY_NONE = 0, KEY_RSA = 1, KEY_SM2 = 2 };

struct key_pair {
  key_type type = KEY_NONE;
  bytes private_der;  // the private key, DER as libcrypto writes it
};

struct container_record {
  uint16_t id = 0;
  std::string name;
  key_pair sign_key;
  key_pair exchange_key;
  bytes sign_cert;
  bytes exchange_cert;
  std::map<uint16_t, bytes> ext_info;
};

struct file_record {
  std::string name;
  uint32_t read_rights = 0;
  uint32_t write_rights = 0;
  bytes content;
};

struct fingerprint_record {
  uint8_t finger = 0;
  uint8_t user_type = 0;
  bytes descriptor;  // 16 bytes
  uint16_t container_id = 0;
  uint8_t value = 0;
};

struct application_record {
  uint16_t id = 0;
  std::string name;
  pin_record pins[2];  // indexed by pin_type
  uint32_t create_rights = 0;
  std::vector<file_record> files;
  std::vector<container_record> containers;
  uint16_t next_container_id = 1;
  std::vector<fingerprint_record> fingers;
  uint8_t finger_max_retries = 5;
  uint8_t finger_remaining = 5;
  bool finger_enabled = true;
};

struct device_record {
  std::string label;
  std::string serial;        // up to 32 characters
  bytes hardware_serial;
  bytes oem_area;            // fixed size
  bytes dev_auth_key;        // 16 bytes
  uint8_t dev_auth_max = 10;
  uint8_t dev_auth_remaining = 10;
  bool has_fingerprint = false;
  uint16_t firmware_version = 0x0160;
  uint16_t buffer_size = 1056;  // the host works with this minus 32
  std::vector<application_record> apps;
  uint16_t next_app_id = 1;
};

inline constexpr size_t OEM_AREA_SIZE = 1024;
inline constexpr uint32_t TOTAL_SPACE = 64 * 1024;

}  // namespace tokensim
