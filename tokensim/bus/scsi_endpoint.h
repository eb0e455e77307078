#pragma once
// The token's side of one SCSI connection on the bus.
#include <atomic>

#include "bus/token_core.h"

namespace tokensim {

void serve_scsi_connection(int fd, token_core& core, const std::atomic<bool>& stop);

}  // namespace tokensim
