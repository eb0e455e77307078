// The command interpreter of the token plugs in here. Until it exists the
// tokens echo every command unit with status 90 00.
#include "app/handler_factory.h"

#include "bus/echo_command_handler.h"

namespace tokensim {

std::shared_ptr<command_handler> make_command_handler(const token_options&) {
  return std::make_shared<echo_command_handler>();
}

}  // namespace tokensim
