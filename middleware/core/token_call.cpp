#include "core/token_call.h"

#include "core/library_state.h"
#include "core/status_word.h"

namespace veltrakey {

namespace {

constexpr size_t receive_capacity = 2048;

// One exchange: serialise, hand to the transport, split off the status.
// Returns 0 when the token answered (last_sw holds its status), else 1 with
// last_sw set to the internal status that says what failed.
int exchange(device_base* device, gm_apdu& apdu) {
  uint32_t length = 0;
  if (apdu.serialize(nullptr, &length) != APDU_OK || length == 0) {
    last_sw = sw_serialise_failed;
    return 1;
  }
  std::vector<uint8_t> request(length);
  if (apdu.serialize(request.data(), &length) != APDU_OK) {
    last_sw = sw_serialise_failed;
    return 1;
  }
  if (!token_access.contains(device)) {
    last_sw = sw_send_failed;
    return 1;
  }
  device->set_io_timeout(apdu.timeout());
  std::vector<uint8_t> answer(receive_capacity);
  size_t received = answer.size();
  const int rc = device->transceive(request.data(), length, answer.data(), &received);
  if (rc != 0 || received > answer.size()) {
    last_sw = rc == 2 || received > answer.size() ? sw_receive_failed : sw_send_failed;
    return 1;
  }
  if (apdu.parse_response(answer.data(), received) != APDU_OK) {
    last_sw = sw_response_too_short;
    return 1;
  }
  last_sw = apdu.status_word();
  return 0;
}

}  // namespace

int token_call(device_base* device, cmd id, const command_args& args, std::vector<uint8_t>* response,
               size_t capacity) {
  std::unique_ptr<gm_apdu> apdu = build_command(id, args);
  if (!apdu) {
    last_sw = sw_serialise_failed;
    return token_exchange_failed;
  }
  if (exchange(device, *apdu) != 0) return token_exchange_failed;
  if (last_sw != sw_success) return token_status_failed;
  const auto data = apdu->response_data();
  if (data.size() > capacity) return token_response_too_long;
  if (response) response->assign(data.begin(), data.end());
  return token_ok;
}

}  // namespace veltrakey
