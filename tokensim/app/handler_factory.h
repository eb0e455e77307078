#pragma once
// Where the program gets the command handler of each token it plugs in.
#include <memory>
#include <string>

#include "core/command_handler.h"

namespace tokensim {

struct token_options {
  std::string serial;
  std::string store_dir;  // where a token keeps its state between runs
};

std::shared_ptr<command_handler> make_command_handler(const token_options& options);

}  // namespace tokensim
