#include "protocol/command_chain.h"

#include <algorithm>

#include "core/status_word.h"

namespace veltrakey {

int send_chained(device_base* device, std::unique_ptr<gm_apdu> opening, std::span<const uint8_t> data,
                 uint32_t max_data, device_known_fn known) {
  if (max_data == 0) {  // no piece size: nothing could ever be sent
    last_sw = sw_serialise_failed;
    return token_exchange_failed;
  }
  const operation_options options{.known = known};
  opening->set_chaining();
  auto header = opening->clone_header();
  if (const int rc = run_operation(device, std::move(opening), nullptr, options); rc != token_ok) return rc;

  for (size_t offset = 0; offset < data.size();) {
    const size_t n = std::min<size_t>(max_data, data.size() - offset);
    auto piece = header->clone_header();
    piece->set_data(data.data() + offset, n);
    offset += n;
    if (offset < data.size())
      piece->set_chaining();
    else
      piece->clear_chaining();
    if (const int rc = run_operation(device, std::move(piece), nullptr, options); rc != token_ok) return rc;
  }
  return token_ok;
}

}  // namespace veltrakey
