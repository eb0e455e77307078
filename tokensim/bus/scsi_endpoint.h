#pragma once
// The token's side of one SCSI connection on the bus.
#include <atomic>

#include "bus/token_hub.h"

namespace tokensim {

void serve_scsi_connection(int fd, token_hub& hub, const std::atomic<bool>& stop);

}  // namespace tokensim
