// skftool: works with cryptographic tokens through an SKF library.
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "skf_library.h"

namespace {

using namespace skftool;

constexpr char library_file[] = "libVeltrakeySKF.so";

void print_help(FILE* out) {
  fprintf(out,
          "Usage: skftool [--library PATH] [--device NAME] COMMAND [ARGUMENTS]\n"
          "\n"
          "Works with cryptographic tokens through an SKF library.\n"
          "\n"
          "Commands:\n");
  for (const command& c : commands()) {
    const std::string head = std::string(c.name) + (c.arguments[0] ? " " : "") + c.arguments;
    fprintf(out, "  %-36s %s\n", head.c_str(), c.summary);
  }
  fprintf(out,
          "\n"
          "Options:\n"
          "  --library PATH   the SKF library to load (default: %s beside this\n"
          "                   program's build or install folder, else the system's)\n"
          "  --device NAME    the token to use (default: the first one listed)\n"
          "  --help           show this text\n"
          "\n"
          "Exit codes: 0 success, 1 the library reported an error, 2 bad command line,\n"
          "3 the library could not be loaded, 4 no token present.\n",
          library_file);
}

bool readable(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

// The library of this build or installation, else the name alone for the
// system's search.
std::string default_library() {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = '\0';
    std::string dir(self);
    dir.erase(dir.rfind('/'));
    for (const char* relative : {"/../middleware/", "/../lib/", "/"}) {
      const std::string candidate = dir + relative + library_file;
      if (readable(candidate)) return candidate;
    }
  }
  return library_file;
}

}  // namespace

int main(int argc, char** argv) {
  std::string library;
  invocation call;
  const command* chosen = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (chosen) {
      call.args.push_back(arg);
    } else if (arg == "--help" || arg == "-h") {
      print_help(stdout);
      return exit_ok;
    } else if ((arg == "--library" || arg == "--device") && i + 1 < argc) {
      (arg == "--library" ? library : call.device) = argv[++i];
    } else {
      for (const command& c : commands())
        if (arg == c.name) chosen = &c;
      if (!chosen) {
        fprintf(stderr, "skftool: unknown command or option \"%s\"; see skftool --help\n", arg.c_str());
        return exit_usage;
      }
    }
  }
  if (!chosen) {
    print_help(stderr);
    return exit_usage;
  }
  skf_library skf(library.empty() ? default_library() : library);
  if (!skf.loaded()) {
    fprintf(stderr, "skftool: cannot load the SKF library: %s\n", skf.error().c_str());
    return exit_no_library;
  }
  return chosen->run(skf, call);
}
