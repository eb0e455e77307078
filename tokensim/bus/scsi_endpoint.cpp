#include "bus/scsi_endpoint.h"

#include "bus/endpoint_io.h"
#include "bus/scsi_target.h"
#include "platform/vbus_protocol.h"

namespace tokensim {
namespace vbus = veltrakey::vbus;

void serve_scsi_connection(int fd, token_hub& hub, const std::atomic<bool>& stop) {
  scsi_target target(hub);
  std::vector<uint8_t> message;
  while (receive_message(fd, &message, stop)) {
    if (message.size() < vbus::scsi_header_length || message[0] != vbus::op_scsi) continue;
    std::array<uint8_t, 12> cdb;
    std::copy(message.begin() + 1, message.begin() + 13, cdb.begin());
    const bool in = message[13] != 0;
    const uint32_t length = vbus::get_le32(&message[14]);
    std::vector<uint8_t> out(message.begin() + vbus::scsi_header_length, message.end());
    if (!in && out.size() != length) continue;
    const scsi_outcome o = target.execute(cdb, in, out, length, stop);
    if (o.action == scsi_outcome::hang_up) return;
    if (o.action == scsi_outcome::no_answer) continue;
    std::vector<uint8_t> answer(vbus::scsi_answer_header_length, 0);
    answer[0] = vbus::op_scsi;
    answer[1] = o.status;
    vbus::put_le32(&answer[2], o.count);
    answer.insert(answer.end(), o.data.begin(), o.data.end());
    if (!send_message(fd, answer)) return;
  }
}

}  // namespace tokensim
