// tokensim: virtual USB tokens on a virtual bus.
//
//   tokensim --bus DIR [--store DIR] [--service [SOCKET]] [--plug VARIANT:SERIAL[:FAULTS]]...
//       plugs the tokens given and serves them until "quit", SIGINT or SIGTERM;
//       reads commands from standard input:
//         plug VARIANT SERIAL [FAULTS] | unplug NAME | fault NAME FAULTS |
//         limit NAME BYTES | list | quit
//   tokensim --bus DIR unplug NAME
//       unplugs a token served by another tokensim run (its socket goes away)
//   tokensim --bus DIR list
//
// VARIANT: hs, ctrl, long (HID) or scsi (disk-class). NAME: device path or serial.
// FAULTS: none, or delay=MS,drop,bad-marker,wrong-length,stale=N,disconnect,empty=N,count=N
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/token_shelf.h"
#include "platform/pipe_client.h"
#include "platform/private_directory.h"
#include "platform/vbus.h"

namespace {

std::atomic<bool> interrupted {false};

void on_signal(int) { interrupted = true; }

int usage() {
  std::cerr << "usage: tokensim --bus DIR [--store DIR] [--service [SOCKET]] [--plug VARIANT:SERIAL[:FAULTS]]...\n"
               "       tokensim --bus DIR unplug NAME\n"
               "       tokensim --bus DIR list\n";
  return 2;
}

// The bus must be the user's own and closed to others, as the library demands.
bool prepare_bus(const std::string& dir) {
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    std::cerr << "tokensim: cannot create " << dir << ": " << std::strerror(errno) << "\n";
    return false;
  }
  if (!veltrakey::vbus_directory_trusted(dir)) {
    std::cerr << "tokensim: " << dir << " must belong to you and not be writable by others\n";
    return false;
  }
  return true;
}

std::string run_command(tokensim::token_shelf& shelf, const std::string& line, bool* quit) {
  std::istringstream in(line);
  std::string verb, a, b, c;
  in >> verb >> a >> b >> c;
  if (verb.empty()) return "";
  if (verb == "quit") {
    *quit = true;
    return "bye";
  }
  if (verb == "plug" && !b.empty()) return shelf.plug(a, b, c);
  if (verb == "unplug" && !a.empty()) return shelf.unplug(a);
  if (verb == "fault" && !b.empty()) return shelf.set_fault(a, b);
  if (verb == "limit" && !b.empty()) return shelf.set_limit(a, b);
  if (verb == "list") return shelf.list();
  return "error: commands are plug VARIANT SERIAL [FAULTS], unplug NAME, fault NAME FAULTS, limit NAME BYTES, list, quit";
}

int unplug_elsewhere(const std::string& bus, const std::string& name) {
  for (const std::string& path : veltrakey::vbus_list(bus)) {
    if (path == name || path.substr(path.rfind('#') + 1) == name) {
      if (unlink((bus + "/" + path).c_str()) != 0) {
        std::cerr << "tokensim: " << std::strerror(errno) << "\n";
        return 1;
      }
      std::cout << "unplugged " << path << "\n";
      return 0;
    }
  }
  std::cerr << "tokensim: no token " << name << "\n";
  return 1;
}

int serve(tokensim::token_shelf& shelf) {
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  std::signal(SIGPIPE, SIG_IGN);
  bool input_open = true, quit = false;
  std::string pending;
  while (!quit && !interrupted) {
    for (const std::string& path : shelf.drop_removed()) std::cout << "unplugged " << path << std::endl;
    pollfd p {STDIN_FILENO, POLLIN, 0};
    if (!input_open || poll(&p, 1, 200) <= 0) {
      if (!input_open) usleep(200000);
      continue;
    }
    char chunk[512];
    const ssize_t n = read(STDIN_FILENO, chunk, sizeof(chunk));
    if (n <= 0) {
      input_open = false;  // keep serving until a signal
      continue;
    }
    pending.append(chunk, size_t(n));
    for (size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
      const std::string reply = run_command(shelf, pending.substr(0, eol), &quit);
      pending.erase(0, eol + 1);
      if (!reply.empty()) std::cout << reply << std::endl;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string bus, store, service;
  bool with_service = false;
  std::vector<std::string> plugs, rest;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--bus" && i + 1 < argc) bus = argv[++i];
    else if (arg == "--store" && i + 1 < argc) store = argv[++i];
    else if (arg == "--plug" && i + 1 < argc) plugs.push_back(argv[++i]);
    else if (arg == "--service") {
      with_service = true;
      if (i + 1 < argc && argv[i + 1][0] != '-') service = argv[++i];
    } else if (arg.rfind("--", 0) == 0) return usage();
    else rest.push_back(arg);
  }
  if (bus.empty()) return usage();
  if (!prepare_bus(bus)) return 1;
  if (!rest.empty()) {
    if (rest[0] == "unplug" && rest.size() == 2) return unplug_elsewhere(bus, rest[1]);
    if (rest[0] == "list" && rest.size() == 1) {
      for (const std::string& path : veltrakey::vbus_list(bus)) std::cout << path << "\n";
      return 0;
    }
    return usage();
  }
  // Without a store folder the tokens keep their state in memory only.
  tokensim::token_shelf shelf(bus, store);
  if (with_service) {
    if (service.empty()) service = veltrakey::pipe_service_path();
    // The library talks only to a service in a folder private to the user.
    const std::string folder = veltrakey::parent_directory(service);
    mkdir(folder.c_str(), 0700);
    if (!veltrakey::directory_private_to_user(folder)) {
      std::cerr << "tokensim: " << folder << " must belong to you and not be writable by others\n";
      return 1;
    }
    const std::string reply = shelf.start_service(service);
    std::cout << reply << std::endl;
    if (reply.rfind("error", 0) == 0) return 1;
  }
  for (const std::string& spec : plugs) {
    std::istringstream in(spec);
    std::string variant, serial, faults;
    std::getline(in, variant, ':');
    std::getline(in, serial, ':');
    std::getline(in, faults);
    const std::string reply = shelf.plug(variant, serial, faults);
    std::cout << reply << std::endl;
    if (reply.rfind("error", 0) == 0) return 1;
  }
  return serve(shelf);
}
