// The token's command interpreter, keeping each token's state in a file of
// its own under the store folder.
#include "app/handler_factory.h"

#include "core/token_interpreter.h"

namespace tokensim {

std::shared_ptr<command_handler> make_command_handler(const token_options& options) {
  const std::string state = options.store_dir.empty() ? std::string() : options.store_dir + "/" + options.serial + ".token";
  return std::make_shared<token_interpreter>(state, options.serial);
}

}  // namespace tokensim
