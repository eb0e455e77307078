#pragma once
// Recording stand-ins for the platform ports and the clock, so the bytes a
// transport would put on the wire can be checked exactly.
#include <deque>
#include <vector>

#include "platform/hid_port.h"
#include "platform/scsi_port.h"
#include "transport/transport_clock.h"

namespace veltrakey::testing {

using bytes = std::vector<uint8_t>;

// Time passes only when someone sleeps; every sleep is recorded.
class fake_clock : public transport_clock {
public:
  uint64_t now_ms() override { return now; }
  void sleep_ms(unsigned ms) override {
    sleeps.push_back(ms);
    now += ms;
  }
  uint64_t now = 1000;
  std::vector<unsigned> sleeps;
};

class fake_hid_port : public hid_port {
public:
  int open() override { return open_error ? open_error : (opened = true, 0); }
  void close() override { opened = false; }
  bool is_open() const override { return opened; }
  io_status write_report(const uint8_t* report, size_t length, unsigned) override {
    if (fail_writes) return io_status::failed;
    written.emplace_back(report, report + length);
    return io_status::ok;
  }
  io_status read_report(uint8_t* report, size_t length, unsigned timeout_ms) override {
    last_read_timeout = timeout_ms;
    if (inputs.empty()) return io_status::timeout;
    bytes r = inputs.front();
    inputs.pop_front();
    r.resize(length);
    std::copy(r.begin(), r.end(), report);
    return io_status::ok;
  }
  bool get_feature(uint8_t* report, size_t length) override {
    ++feature_polls;
    if (features.empty()) {
      std::fill(report, report + length, uint8_t(0));  // an empty report: not ready
      return !fail_features;
    }
    bytes r = features.front();
    features.pop_front();
    r.resize(length);
    std::copy(r.begin(), r.end(), report);
    return true;
  }
  bool flush() override {
    ++flushes;
    return !fail_flush;
  }

  bool opened = false;
  int open_error = 0;
  bool fail_writes = false;
  bool fail_flush = false;
  bool fail_features = false;
  unsigned last_read_timeout = 0;
  int flushes = 0;
  int feature_polls = 0;
  std::vector<bytes> written;
  std::deque<bytes> inputs;
  std::deque<bytes> features;
};

struct scsi_call {
  bytes cdb;
  scsi_direction direction;
  size_t length;
  bytes data_out;
};

class fake_scsi_port : public scsi_port {
public:
  int open() override { return 0; }
  void close() override {}
  bool is_open() const override { return true; }
  int execute(const uint8_t (&cdb)[scsi_cdb_length], scsi_direction direction, uint8_t* data,
              size_t length, unsigned, size_t* transferred) override {
    calls.push_back({bytes(cdb, cdb + scsi_cdb_length), direction, length,
                     direction == scsi_direction::out ? bytes(data, data + length) : bytes()});
    *transferred = 0;
    if (results.empty()) return scsi_wait_failed;
    auto [rc, answer] = results.front();
    results.pop_front();
    if (rc != scsi_ok) return rc;
    if (direction == scsi_direction::in) {
      const size_t n = std::min(length, answer.size());
      std::copy(answer.begin(), answer.begin() + n, data);
      *transferred = n;
    } else {
      *transferred = length;
    }
    return scsi_ok;
  }

  std::vector<scsi_call> calls;
  std::deque<std::pair<int, bytes>> results;
};

}  // namespace veltrakey::testing
