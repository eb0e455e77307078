#include "protocol/execute_command.h"

#include <vector>

#include "core/library_state.h"
#include "core/status_word.h"

namespace veltrakey {
namespace {

bool known_to_manager(const device_base* device) { return token_access.contains(device); }

}  // namespace

int execute_command(device_base* device, gm_apdu& apdu) { return execute_command(device, apdu, known_to_manager); }

int execute_command(device_base* device, gm_apdu& apdu, device_known_fn known) {
  uint32_t length = 0;
  std::vector<uint8_t> request;
  if (apdu.serialize(nullptr, &length) == APDU_OK) {
    request.resize(length);
    if (apdu.serialize(request.data(), &length) != APDU_OK) request.clear();
  }
  if (request.empty()) {
    last_sw = sw_serialise_failed;
    return execute_bad_record;
  }
  if (!device || !known || !known(device)) {
    last_sw = sw_send_failed;
    return execute_unknown_device;
  }

  device->set_io_timeout(apdu.timeout());
  std::vector<uint8_t> answer(receive_area_size);
  size_t received = answer.size();
  const int rc = device->transceive(request.data(), length, answer.data(), &received);
  // An answer that claims more than the receive area is refused as a
  // failed receive rather than read past the area.
  if (rc == 2 || (rc == 0 && received > answer.size())) {
    last_sw = sw_receive_failed;
    return execute_transport_failed;
  }
  if (rc != 0) {
    last_sw = sw_send_failed;
    return execute_transport_failed;
  }
  if (apdu.parse_response(answer.data(), received) != APDU_OK) {
    last_sw = sw_response_too_short;
    return execute_short_response;
  }
  last_sw = apdu.status_word();
  return execute_ok;
}

}  // namespace veltrakey
