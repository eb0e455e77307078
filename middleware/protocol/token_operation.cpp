#include "protocol/token_operation.h"

#include "core/status_word.h"

namespace veltrakey {
namespace {

constexpr uint16_t sw_wrong_le = 0x6C04;
constexpr int32_t mac_le_full = 16;
constexpr int32_t mac_le_short = 4;
constexpr size_t key_id_size = 2;

int execute(device_base* device, gm_apdu& apdu, const operation_options& options) {
  return options.known ? execute_command(device, apdu, options.known) : execute_command(device, apdu);
}

}  // namespace

int run_operation(device_base* device, std::unique_ptr<gm_apdu> apdu, std::vector<uint8_t>* answer,
                  const operation_options& options) {
  if (execute(device, *apdu, options) != execute_ok) return token_exchange_failed;
  if (last_sw != sw_success && (options.also_accepted == 0 || last_sw != options.also_accepted))
    return token_status_failed;
  const auto data = apdu->response_data();
  if (data.size() > options.capacity) return token_response_too_long;
  if (answer) answer->assign(data.begin(), data.end());
  return token_ok;
}

int token_operation(device_base* device, cmd id, const command_args& args, std::vector<uint8_t>* answer,
                    const operation_options& options) {
  return run_operation(device, build_command(id, args), answer, options);
}

int mac_final_operation(device_base* device, std::span<const uint8_t> data, std::vector<uint8_t>* mac,
                        const operation_options& options) {
  command_args args{.data = data, .le = mac_le_full};
  auto first = build_command(cmd::mac_final, args);
  if (execute(device, *first, options) != execute_ok) return token_exchange_failed;
  if (last_sw == sw_wrong_le) {
    auto again = build_command(cmd::mac_final, args);
    again->set_le(mac_le_short);
    return run_operation(device, std::move(again), mac, options);
  }
  if (last_sw != sw_success) return token_status_failed;
  const auto answer = first->response_data();
  if (answer.size() > options.capacity) return token_response_too_long;
  if (mac) mac->assign(answer.begin(), answer.end());
  return token_ok;
}

int enum_application_operation(device_base* device, std::vector<uint8_t>* names, bool* more,
                               const operation_options& options) {
  operation_options accepting = options;
  accepting.also_accepted = sw_more_data;
  const int rc = token_operation(device, cmd::enum_application, {}, names, accepting);
  if (more) *more = rc == token_ok && last_sw == sw_more_data;
  return rc;
}

int set_session_key_operation(device_base* device, std::span<const uint8_t> data, uint16_t* key_id,
                              const operation_options& options) {
  std::vector<uint8_t> answer;
  const int rc = token_operation(device, cmd::set_session_key, {.data = data}, &answer, options);
  if (rc != token_ok) return rc;
  if (answer.size() < key_id_size) return token_response_too_long;
  if (key_id) *key_id = static_cast<uint16_t>(answer[0] << 8 | answer[1]);
  return token_ok;
}

}  // namespace veltrakey
