// A Flatpak sandbox announces itself with /.flatpak-info; a strictly confined
// Snap runs with SNAP set and the confinement named in SNAP_CONFINEMENT.
#include "platform/sandbox.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace veltrakey {
namespace {

sandbox_answer ask_system() {
  if (access("/.flatpak-info", F_OK) == 0) return {true, true};
  const char* snap = std::getenv("SNAP");
  const char* confinement = std::getenv("SNAP_CONFINEMENT");
  if (snap && confinement && std::strcmp(confinement, "strict") == 0) return {true, true};
  return {true, false};
}

}  // namespace

sandbox_answer sandbox_query() {
  static const sandbox_answer answer = ask_system();
  return answer;
}

}  // namespace veltrakey
