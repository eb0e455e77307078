#pragma once
// The token's side of one HID connection: reassembles request frames from
// output reports, runs them, and answers in input or feature reports.
#include <atomic>

#include "bus/token_hub.h"
#include "bus/token_variant.h"

namespace tokensim {

// Serves until the host hangs up, a fault hangs up, or `stop` is set.
void serve_hid_connection(int fd, token_variant variant, token_hub& hub, const std::atomic<bool>& stop);

}  // namespace tokensim
