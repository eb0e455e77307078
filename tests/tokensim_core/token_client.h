#pragma once
// Talks to a token core the way the host library does: commands come from
// the library's command table and are serialised by its command record.
#include <openssl/evp.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/token_interpreter.h"
#include "protocol/command_table.h"

namespace test {

using veltrakey::build_command;
using veltrakey::cmd;
using veltrakey::command_args;
using veltrakey::gm_apdu;

using bytes = std::vector<uint8_t>;

struct reply {
  bytes data;
  uint16_t sw = 0;
};

bytes be16(uint16_t v);

// An application with the user logged in and one container.
struct opened {
  uint16_t app;
  uint16_t container;
  std::vector<uint8_t> ids() const;  // app ‖ container
};

class token_client {
public:
  explicit token_client(tokensim::command_handler& token) : token_(token) {}
  reply send(const gm_apdu& apdu);
  reply send(cmd id, command_args args = {}) { return send(*build_command(id, args)); }

  // Device authentication with the token's default key, then an application.
  void authenticate_device(const bytes& key = bytes(16, 0));
  uint16_t create_application(const std::string& name, const std::string& admin_pin, const std::string& user_pin,
                              uint32_t retries = 3, uint32_t rights = 0xFF);
  uint16_t open_application(const std::string& name);
  reply verify_pin(uint16_t app, uint8_t type, const std::string& pin);
  uint16_t create_container(uint16_t app, const std::string& name);
  opened logged_in();
  uint16_t set_session_key(uint16_t app, uint16_t container, uint32_t algorithm, const bytes& key);

private:
  tokensim::command_handler& token_;
};

bytes be16(uint16_t v);
bytes be32(uint32_t v);
bytes cat(std::initializer_list<bytes> parts);
bytes text(const std::string& s);

// Host-side computations written here from the published algorithms with
// libcrypto, independently of the token core.
bytes sm4_ecb(const bytes& key, const bytes& data, bool encrypt);
bytes pin_key(const std::string& pin, bool change_mode);
bytes pin_block(const bytes& key, const bytes& value);
bytes cbc_mac_sm4(const bytes& key, const bytes& iv, bytes data);
bytes default_device_key();

}  // namespace test
