#pragma once
// Message I/O for the token's side of a bus socket: every wait wakes up
// regularly so that unplugging stops a connection promptly.
#include <atomic>
#include <cstdint>
#include <vector>

namespace tokensim {

// One message; false on hang-up, error or stop.
bool receive_message(int fd, std::vector<uint8_t>* message, const std::atomic<bool>& stop);
bool send_message(int fd, const std::vector<uint8_t>& message);
// Sleeps, returning early (false) when stopped.
bool pause_unless_stopped(unsigned ms, const std::atomic<bool>& stop);

}  // namespace tokensim
