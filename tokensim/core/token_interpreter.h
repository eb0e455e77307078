#pragma once
// The command interpreter of a virtual token: one serialised command unit in,
// its response out. State that must survive is written to the state file
// before the answer leaves. Not thread-safe: every call, the settings
// included, must be serialised with handle().
#include <cstdint>
#include <string>
#include <vector>

#include "core/command_handler.h"
#include "core/token.h"

namespace tokensim {

class token_interpreter : public command_handler {
public:
  // Loads the token from state_path, or provisions a new one there with the
  // given serial number. An empty path keeps the token in memory only.
  explicit token_interpreter(std::string state_path, const std::string& serial = "TS0000000001");

  std::vector<uint8_t> handle(const uint8_t* command, size_t length) override;

  // Whether the state file could be read or created.
  bool ready() const { return ready_; }

  // Faults: answer sw instead of executing, for the next `times` commands
  // with this INS (and P1 when given); times -1 keeps the rule.
  void inject_status(uint8_t ins, uint16_t sw, int times = 1, int16_t p1 = -1);
  token_config& config() { return token_.config; }
  // Whether the token has a fingerprint sensor; kept in its state.
  bool set_fingerprint_sensor(bool present);
  // The same settings as text, for the program's command line: a comma list
  // of keys=N (key store size), sign-waits=N, finger-waits=N,
  // enroll-presses=N, finger=N (finger on the sensor), finger-match=0|1,
  // fingerprint=on|off, firmware=HHHH (version the device information
  // reports), status=INS[/P1]:SW[:TIMES] (hexadecimal INS, P1, SW).
  // False, with nothing changed, when any item is not understood.
  bool configure(const std::string& settings);
  // Removing and replugging the token: session state is lost.
  void power_cycle();

  const token& state() const { return token_; }

private:
  answer execute(const command_unit& c);
  bool persist();

  std::string path_;
  token token_;
  bytes saved_image_;
  bool ready_ = false;
};

}  // namespace tokensim
