#include "bus/echo_command_handler.h"

namespace tokensim {

std::vector<uint8_t> echo_command_handler::handle(const uint8_t* command, size_t length) {
  std::vector<uint8_t> answer(command, command + length);
  answer.push_back(0x90);
  answer.push_back(0x00);
  return answer;
}

}  // namespace tokensim
