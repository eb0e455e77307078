#pragma once
// A transport object that records every command unit and answers from a
// script, or passes the units to a virtual token core.
#include <cstring>
#include <deque>
#include <vector>

#include "core/command_handler.h"
#include "transport/device_base.h"

namespace test {

using bytes = std::vector<uint8_t>;

struct scripted_answer {
  bytes answer;            // data, then SW1 SW2
  int transceive_rc = 0;   // what transceive reports
  size_t claimed = 0;      // a length to report instead of the answer's
};

class scripted_device : public veltrakey::device_base {
public:
  explicit scripted_device(tokensim::command_handler* token = nullptr) : token_(token) {}

  int open() override { return 0; }
  int close() override { return 0; }
  int receive_response(uint8_t*, size_t*) override { return 1; }
  const char* path() const override { return "scripted"; }
  const char* id() const override { return "scripted"; }
  void set_state(int) override {}
  int kind() const override { return veltrakey::device_kind_hid; }
  int probe() override { return 0; }
  int set_io_timeout(uint32_t ms) override {
    timeouts.push_back(ms);
    return 0;
  }

  int transceive(const uint8_t* command, size_t n, uint8_t* buffer, size_t* length) override {
    sent.emplace_back(command, command + n);
    scripted_answer next;
    if (token_) {
      next.answer = token_->handle(command, n);
    } else if (!script.empty()) {
      next = script.front();
      script.pop_front();
    } else {
      next.answer = {0x90, 0x00};
    }
    if (next.transceive_rc) return next.transceive_rc;
    const size_t copied = std::min(*length, next.answer.size());
    if (copied) memcpy(buffer, next.answer.data(), copied);
    *length = next.claimed ? next.claimed : next.answer.size();
    return 0;
  }

  std::deque<scripted_answer> script;
  std::vector<bytes> sent;
  std::vector<uint32_t> timeouts;

private:
  tokensim::command_handler* token_;
};

inline bool always_known(const veltrakey::device_base*) { return true; }
inline bool never_known(const veltrakey::device_base*) { return false; }

}  // namespace test
