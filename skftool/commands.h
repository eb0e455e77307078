#pragma once
// The tool's commands, each on the public SKF interface of a loaded library.
#include <string>
#include <vector>

#include "skf_library.h"

namespace skftool {

// Exit codes.
enum exit_code : int {
  exit_ok = 0,
  exit_skf_error = 1,  // the library reported an error
  exit_usage = 2,      // bad command line
  exit_no_library = 3, // the SKF library could not be loaded
  exit_no_token = 4,   // no token present, or the named one is absent
};

struct invocation {
  std::string device;             // --device, empty for the first token
  std::vector<std::string> args;  // after the command name
};

using command_fn = int (*)(skf_library&, const invocation&);

struct command {
  const char* name;
  const char* arguments;
  const char* summary;
  command_fn run;
};

// Every command, in the order --help lists them.
const std::vector<command>& commands();

}  // namespace skftool
