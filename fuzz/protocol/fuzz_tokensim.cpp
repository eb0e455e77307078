// Command units as the virtual token parses and runs them: the input is a
// sequence of units, each preceded by its length in two bytes. Every run
// starts from a token with application 1 open, its user logged in and
// container 2 holding an SM2 pair, so that the units reach the key commands.
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/token_crypto.h"
#include "core/token_interpreter.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes run(tokensim::token_interpreter& token, bytes unit) { return token.handle(unit.data(), unit.size()); }

bytes extended(uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2, const bytes& data, int le = -1) {
  bytes unit = {cla, ins, p1, p2, 0, static_cast<uint8_t>(data.size() >> 8), static_cast<uint8_t>(data.size())};
  unit.insert(unit.end(), data.begin(), data.end());
  if (le >= 0) {
    unit.push_back(static_cast<uint8_t>(le >> 8));
    unit.push_back(static_cast<uint8_t>(le));
  }
  return unit;
}

bytes challenge(tokensim::token_interpreter& token) {
  bytes answer = run(token, {0x80, 0x50, 0, 0, 0, 0, 8});
  answer.resize(8);
  return answer;
}

void set_up(tokensim::token_interpreter& token) {
  bytes c = challenge(token);
  c.resize(16, 0);
  const std::string key = "1234567812345678";
  run(token, extended(0x80, 0x10, 0, 0, tokensim::sm4_ecb(bytes(key.begin(), key.end()), c, true)));
  bytes record(80, 0);
  record[0] = 'a';
  for (long at : {32, 52}) std::fill_n(record.begin() + at, 8, '1');
  record[51] = record[71] = 5;
  record[72] = 0xFF;
  run(token, extended(0x80, 0x20, 0, 0, record));
  // the new application is number 2 on a fresh token (1 carries the host's MAC key)
  const bytes block = tokensim::pin_block(tokensim::pin_key("11111111", tokensim::pin_key_mode::verification),
                                          challenge(token));
  bytes verify = {0, 2};
  verify.insert(verify.end(), block.begin(), block.end());
  run(token, extended(0x80, 0x18, 0, 1, verify));
  run(token, extended(0x80, 0x40, 0, 0, {0, 2, 'c'}, 2));
  run(token, extended(0x80, 0x70, 0, 0, {0, 2, 0, 1, 0, 0, 1, 0}, 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tokensim::token_interpreter token("");
  set_up(token);
  size_t pos = 0;
  while (pos + 2 <= size) {
    const size_t n = size_t{data[pos]} << 8 | data[pos + 1];
    pos += 2;
    if (n > size - pos) break;
    const auto answer = token.handle(data + pos, n);
    if (answer.size() < 2 || answer.size() > 2048) __builtin_trap();
    pos += n;
  }
  return 0;
}
