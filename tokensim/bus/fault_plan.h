#pragma once
// Faults a virtual token injects into its answers, at the frame level.
#include <optional>
#include <string>

namespace tokensim {

struct fault_plan {
  unsigned delay_ms = 0;          // answer late
  bool drop = false;              // never answer
  bool bad_marker = false;        // HID: neither marker byte is AA; SCSI: wrong tag
  bool wrong_length = false;      // the answer claims more bytes than it carries
  unsigned stale_answers = 0;     // HID: answers with an old sequence number first
  bool disconnect = false;        // hang up in the middle of the answer
  unsigned empty_features = 0;    // feature polls answered empty before the data
  unsigned commands = 0;          // how many commands it applies to; 0: until replaced

  bool any() const {
    return delay_ms || drop || bad_marker || wrong_length || stale_answers || disconnect || empty_features;
  }
};

// "none" or a comma-separated list: delay=MS, drop, bad-marker, wrong-length,
// stale=N, disconnect, empty=N, count=N.
std::optional<fault_plan> parse_fault_plan(const std::string& text);

}  // namespace tokensim
