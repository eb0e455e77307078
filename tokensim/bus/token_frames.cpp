#include "bus/token_frames.h"

#include <algorithm>

namespace tokensim {

std::optional<hid_request> parse_hid_request(const bytes& frame) {
  if (frame.size() < 23 || frame[0] != 0xFE || frame[1] != 0x01 || frame[20] != 0x12) return std::nullopt;
  const size_t n = size_t(frame[21]) << 8 | frame[22];
  if (23 + n > frame.size()) return std::nullopt;
  return hid_request{frame[19], bytes(frame.begin() + 23, frame.begin() + 23 + n)};
}

bytes build_hid_answer(uint8_t sequence, const bytes& response, const fault_plan& plan) {
  const size_t m = response.size();
  bytes f(23 + m, 0);
  f[0] = plan.bad_marker ? 0x00 : 0xAA;
  f[1] = plan.bad_marker ? 0x00 : 0xAA;
  f[2] = uint8_t((m + 3) & 0xFF);
  f[3] = uint8_t((m + 3) >> 8);
  f[19] = sequence;
  f[20] = 0x12;
  const size_t claimed = plan.wrong_length ? m + 10 : m;
  f[21] = uint8_t(claimed >> 8);
  f[22] = uint8_t(claimed);
  std::copy(response.begin(), response.end(), f.begin() + 23);
  return f;
}

uint8_t stale_sequence(uint8_t sequence) {
  if (sequence == 0) return 7;
  return sequence == 1 ? 255 : uint8_t(sequence - 1);
}

std::vector<bytes> split_into_reports(const bytes& frame) {
  std::vector<bytes> reports;
  size_t offset = 0;
  do {
    const size_t n = std::min<size_t>(63, frame.size() - offset);
    bytes r(65, 0);
    r[1] = uint8_t((offset == 0 ? 0x80 : 0) | (offset + n == frame.size() ? 0x40 : 0) | n);
    std::copy(frame.begin() + offset, frame.begin() + offset + n, r.begin() + 2);
    reports.push_back(std::move(r));
    offset += n;
  } while (offset < frame.size());
  return reports;
}

}  // namespace tokensim
