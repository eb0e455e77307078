#pragma once
// Answers every command unit with its own bytes followed by 90 00: enough to
// prove that bytes travel both ways unchanged, before a real command core
// is plugged in.
#include "core/command_handler.h"

namespace tokensim {

class echo_command_handler final : public command_handler {
public:
  std::vector<uint8_t> handle(const uint8_t* command, size_t length) override;
};

}  // namespace tokensim
