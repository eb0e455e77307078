// Arbitrary host messages against the virtual token's endpoints: HID
// reports of every variant, feature polls and SCSI blocks. The token must
// neither crash nor read past what it was given.
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <memory>

#include "bus/echo_command_handler.h"
#include "bus/hid_endpoint.h"
#include "bus/scsi_target.h"
#include "bus/token_frames.h"

using namespace tokensim;

namespace {

constexpr size_t max_messages = 32;

// Messages are length-prefixed (2 bytes) inside the input.
std::vector<bytes> split_messages(const uint8_t* data, size_t size) {
  std::vector<bytes> messages;
  size_t offset = 0;
  while (offset + 2 <= size && messages.size() < max_messages) {
    const size_t n = std::min<size_t>(size_t(data[offset]) | size_t(data[offset + 1]) << 8, size - offset - 2);
    messages.emplace_back(data + offset + 2, data + offset + 2 + n);
    offset += 2 + n;
  }
  return messages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0] % 4;
  const auto messages = split_messages(data + 1, size - 1);
  token_hub hub(std::make_shared<echo_command_handler>());
  std::atomic<bool> stop {false};
  if (selector == 3) {
    scsi_target target(hub);
    for (const bytes& m : messages) {
      if (m.size() < 13) continue;
      std::array<uint8_t, 12> cdb;
      std::copy(m.begin(), m.begin() + 12, cdb.begin());
      const bool in = m[12] & 1;
      bytes out(m.begin() + 13, m.end());
      target.execute(cdb, in, out, in ? uint32_t(m[12]) * 64 : uint32_t(out.size()), stop);
    }
    parse_hid_request(messages.empty() ? bytes() : messages.front());
    return 0;
  }
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) != 0) return 0;
  for (const bytes& m : messages) {
    if (!m.empty()) send(fds[0], m.data(), m.size(), MSG_DONTWAIT);
  }
  shutdown(fds[0], SHUT_WR);
  static const token_variant variants[] = {token_variant::hid_hs, token_variant::hid_ctrl_io, token_variant::hid_long};
  serve_hid_connection(fds[1], variants[selector], hub, stop);
  close(fds[0]);
  close(fds[1]);
  return 0;
}
