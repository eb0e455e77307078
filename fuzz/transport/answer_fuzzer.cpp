// Arbitrary device answers through every receive path of the library: the
// 65-byte reports (input and feature), the 1093-byte report, the SCSI
// framed read, and the report descriptor parser. Nothing may be read or
// written out of bounds, and a delivered answer must fit the caller's buffer.
#include <cstdlib>

#include "fakes.h"
#include "platform/hid_report_descriptor.h"
#include "transport/device_winhid.h"
#include "transport/device_winhid_ctrl_io.h"
#include "transport/device_winhid_hs.h"
#include "transport/device_winscsi.h"

using namespace veltrakey;
using namespace veltrakey::testing;

namespace {

// Splits the input into reports of `length` bytes.
void queue_reports(const uint8_t* data, size_t size, size_t length, std::deque<bytes>* queue) {
  for (size_t offset = 0; offset < size; offset += length) {
    const size_t n = std::min(length, size - offset);
    queue->push_back(bytes(data + offset, data + offset + n));
  }
}

void check_delivery(int rc, size_t length, size_t capacity) {
  if (rc == 0 && length > capacity) std::abort();
  if (rc != 0 && length != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  const size_t capacity = 1 + (selector >> 3) * 64;
  ++data;
  --size;
  fake_clock clock;
  std::vector<uint8_t> buffer(capacity);
  size_t length = capacity;
  switch (selector & 0x07) {
    case 0: {
      auto* port = new fake_hid_port;
      device_winhid_hs device("hid#f", std::unique_ptr<hid_port>(port));
      device.set_clock(clock);
      queue_reports(data, size, 65, &port->inputs);
      check_delivery(device.receive_response(buffer.data(), &length), length, capacity);
      break;
    }
    case 1: {
      auto* port = new fake_hid_port;
      device_winhid_ctrl_io device("hid#f", std::unique_ptr<hid_port>(port));
      device.set_clock(clock);
      queue_reports(data, size, 65, &port->features);
      check_delivery(device.receive_response(buffer.data(), &length), length, capacity);
      break;
    }
    case 2: {
      auto* port = new fake_hid_port;
      device_winhid device("hid#f", std::unique_ptr<hid_port>(port));
      device.set_clock(clock);
      queue_reports(data, size, 1093, &port->inputs);
      check_delivery(device.receive_response(buffer.data(), &length), length, capacity);
      break;
    }
    case 3: {
      auto* port = new fake_scsi_port;
      device_winscsi device("usbstor#f", std::unique_ptr<scsi_port>(port));
      port->results.push_back({scsi_ok, bytes(data, data + size)});
      check_delivery(device.receive_response(buffer.data(), &length), length, capacity);
      break;
    }
    default: {
      hid_report_lengths lengths;
      parse_hid_report_lengths(data, size, &lengths);
      break;
    }
  }
  return 0;
}
