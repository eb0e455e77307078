// Command units as the virtual token parses and runs them: the input is a
// sequence of units, each preceded by its length in two bytes.
#include <cstddef>
#include <cstdint>

#include "core/token_interpreter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tokensim::token_interpreter token("");
  size_t pos = 0;
  while (pos + 2 <= size) {
    const size_t n = size_t{data[pos]} << 8 | data[pos + 1];
    pos += 2;
    if (n > size - pos) break;
    const auto answer = token.handle(data + pos, n);
    if (answer.size() < 2) __builtin_trap();
    pos += n;
  }
  return 0;
}
