#pragma once
// Status words the virtual token answers with.
#include <cstdint>
#include <stdexcept>

namespace tokensim {

enum sw : uint16_t {
  SW_OK = 0x9000,
  SW_MORE_DATA = 0x6A9E,           // answer continues in the next exchange
  SW_WRONG_LENGTH = 0x6700,
  SW_SECURITY_NOT_SATISFIED = 0x6982,
  SW_AUTH_BLOCKED = 0x6983,
  SW_DATA_INVALID = 0x6984,
  SW_CONDITIONS_NOT_SATISFIED = 0x6985,
  SW_WRONG_DATA = 0x6A80,
  SW_NO_ROOM = 0x6A84,
  SW_WRONG_P1P2 = 0x6A86,
  SW_APP_NOT_FOUND = 0x6A88,
  SW_APP_EXISTS = 0x6A89,
  SW_NOTHING_TO_DELETE = 0x6A8B,
  SW_KEY_NOT_FOUND = 0x6A8C,
  SW_FILE_EXISTS = 0x6A92,
  SW_FILE_NOT_FOUND = 0x6A93,
  SW_CERT_NOT_FOUND = 0x6A96,
  SW_VERIFY_FAILED = 0x6A98,
  SW_INS_NOT_SUPPORTED = 0x6D00,
  SW_CLA_NOT_SUPPORTED = 0x6E00,
  SW_UNKNOWN = 0x6F00,
  SW_WAIT_USER = 0x6F01,           // interactive signature still waits for the user
  SW_WAIT_FINGER = 0x6F0D,         // sensor still waits for a finger
  SW_RETRIES_BASE = 0x63C0,        // | tries left
};

// Thrown by command handlers to answer with a status word and no data.
struct token_error : std::exception {
  explicit token_error(uint16_t status) : sw(status) {}
  const char* what() const noexcept override { return "token status"; }
  uint16_t sw;
};

}  // namespace tokensim
