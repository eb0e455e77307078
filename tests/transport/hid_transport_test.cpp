// Wire bytes of the HID transports: framing, report splitting, sequence
// numbers, answer checks, stale answers and the feature-report polling.
#include <gtest/gtest.h>

#include "fakes.h"
#include "transport/device_winhid.h"
#include "transport/device_winhid_ctrl_io.h"
#include "transport/device_winhid_hs.h"
#include "transport/hid_frame.h"
#include "transport/sequence_counter.h"

namespace veltrakey::testing {
namespace {

struct answer_spec {
  uint8_t marker0 = 0xAA, marker1 = 0xAA;
  int payload = -1;  // -1: m + 3
  uint8_t tag = 0x12;
  int declared = -1;  // -1: the response's length
};

bytes answer_frame(uint8_t sequence, const bytes& response, answer_spec s = {}) {
  bytes f(23 + response.size(), 0);
  f[0] = s.marker0;
  f[1] = s.marker1;
  const size_t payload = s.payload < 0 ? response.size() + 3 : size_t(s.payload);
  f[2] = uint8_t(payload);
  f[3] = uint8_t(payload >> 8);
  f[19] = sequence;
  f[20] = s.tag;
  const size_t m = s.declared < 0 ? response.size() : size_t(s.declared);
  f[21] = uint8_t(m >> 8);
  f[22] = uint8_t(m);
  std::copy(response.begin(), response.end(), f.begin() + 23);
  return f;
}

// Cuts a frame into 65-byte reports as the token sends them.
std::vector<bytes> as_reports(const bytes& frame) {
  std::vector<bytes> reports;
  size_t offset = 0;
  do {
    const size_t n = std::min<size_t>(63, frame.size() - offset);
    bytes r(65, 0);
    r[1] = uint8_t((offset == 0 ? 0x80 : 0) | (offset + n == frame.size() ? 0x40 : 0) | n);
    std::copy(frame.begin() + offset, frame.begin() + offset + n, r.begin() + 2);
    reports.push_back(r);
    offset += n;
  } while (offset < frame.size());
  return reports;
}

struct hs_fixture {
  hs_fixture() : port(new fake_hid_port), device("hid#vid_7c31&pid_c3d4#t", std::unique_ptr<hid_port>(port)) {
    device.set_clock(clock);
  }
  void queue(const bytes& frame) {
    for (auto& r : as_reports(frame)) port->inputs.push_back(r);
  }
  fake_hid_port* port;
  fake_clock clock;
  device_winhid_hs device;
};

TEST(SequenceCounter, StartsAtOneAndWrapsToOneNeverZero) {
  sequence_counter c;
  EXPECT_EQ(c.advance(), 1);
  for (int i = 2; i <= 255; ++i) ASSERT_EQ(c.advance(), i);
  EXPECT_EQ(c.advance(), 1);
  EXPECT_EQ(c.current(), 1);
}

// CTest runs every test in a process of its own, where this is the first send.
TEST(HidHs, FirstFrameAfterLoadCarriesOne) {
  if (hid65_sequence().current() != 0) GTEST_SKIP() << "another test has sent in this process";
  hs_fixture f;
  const bytes command = {0x00, 0x84, 0x00, 0x00, 0x08};
  ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
  EXPECT_EQ(f.port->written.at(0)[2 + 19], 1);
  for (int i = 0; i < 255; ++i) ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
  EXPECT_EQ(f.port->written.back()[2 + 19], 1);  // the 256th frame: 255 is followed by 1
}

TEST(HidHs, RequestFrameBytes) {
  hs_fixture f;
  const bytes command = {0x80, 0x04, 0x00, 0x00, 0x00};
  ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
  const uint8_t seq = hid65_sequence().current();
  ASSERT_NE(seq, 0);
  ASSERT_EQ(f.port->written.size(), 1u);
  const bytes& r = f.port->written[0];
  ASSERT_EQ(r.size(), 65u);
  const bytes expected_start = {0x00, 0xC0 | 28, 0xFE, 0x01};
  EXPECT_EQ(bytes(r.begin(), r.begin() + 4), expected_start);
  EXPECT_EQ(bytes(r.begin() + 4, r.begin() + 18), bytes(14, 0));
  const bytes expected_tail = {8, 0, 0, seq, 0x12, 0, 5, 0x80, 0x04, 0x00, 0x00, 0x00};
  EXPECT_EQ(bytes(r.begin() + 18, r.begin() + 30), expected_tail);
  EXPECT_EQ(bytes(r.begin() + 30, r.end()), bytes(35, 0));
  EXPECT_EQ(f.port->flushes, 1);
}

TEST(HidHs, ReportSplitting) {
  struct split_case {
    size_t command_length;
    std::vector<uint8_t> control_bytes;
  } cases[] = {
      {40, {0xFF}},
      {41, {0xBF, 0x41}},
      {103, {0xBF, 0x7F}},
      {1024, {}},
  };
  for (const auto& c : cases) {
    hs_fixture f;
    bytes command(c.command_length);
    for (size_t i = 0; i < command.size(); ++i) command[i] = uint8_t(i * 7 + 1);
    ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
    bytes joined;
    std::vector<uint8_t> control;
    for (const bytes& r : f.port->written) {
      control.push_back(r[1]);
      joined.insert(joined.end(), r.begin() + 2, r.begin() + 2 + (r[1] & 0x3F));
    }
    if (!c.control_bytes.empty()) { EXPECT_EQ(control, c.control_bytes) << c.command_length; }
    if (c.command_length == 1024) { EXPECT_EQ(f.port->written.size(), 17u); }
    EXPECT_EQ(joined.size(), 23 + c.command_length);
    EXPECT_EQ(bytes(joined.begin() + 23, joined.end()), command);
    EXPECT_EQ(f.port->flushes, int(f.port->written.size()));  // one flush before every report
  }
}

TEST(HidHs, FailedFlushOrWriteFailsTheSend) {
  hs_fixture f;
  const bytes command(100, 1);
  f.port->fail_flush = true;
  EXPECT_EQ(f.device.send_command(command.data(), command.size()), 1);
  f.port->fail_flush = false;
  f.port->fail_writes = true;
  EXPECT_EQ(f.device.send_command(command.data(), command.size()), 1);
}

TEST(HidHs, AnswerChecks) {
  const bytes response = {0x01, 0x02, 0x90, 0x00};
  struct check_case {
    const char* name;
    answer_spec spec;
    int expected;
  } cases[] = {
      {"both markers", {}, 0},
      {"marker in byte 1 only", {0x00, 0xAA}, 0},
      {"marker in byte 0 only", {0xAA, 0x00}, 0},
      {"no marker", {0x00, 0x00}, 2},
      {"payload above 1092", {0xAA, 0xAA, 1093}, 3},
      {"payload 1092 accepted", {0xAA, 0xAA, 1092}, 0},
      {"wrong tag", {0xAA, 0xAA, -1, 0x13}, 5},
      {"length beyond payload", {0xAA, 0xAA, 3, 0x12, 4}, 3},
      {"length beyond the bytes received", {0xAA, 0xAA, -1, 0x12, 40}, 3},
  };
  for (const auto& c : cases) {
    hs_fixture f;
    const bytes command = {0x00, 0x84, 0x00, 0x00, 0x08};
    ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
    f.queue(answer_frame(hid65_sequence().current(), response, c.spec));
    uint8_t buffer[2048];
    size_t length = sizeof(buffer);
    EXPECT_EQ(f.device.receive_response(buffer, &length), c.expected) << c.name;
    if (c.expected == 0) {
      EXPECT_EQ(bytes(buffer, buffer + length), response) << c.name;
    } else {
      EXPECT_EQ(length, 0u) << c.name;
    }
  }
}

TEST(HidHs, AnswerLongerThanCallerBufferIsRejectedWhole) {
  hs_fixture f;
  const bytes command = {0x00};
  ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
  f.queue(answer_frame(hid65_sequence().current(), bytes(100, 0x5A)));
  uint8_t buffer[64];
  std::fill(buffer, buffer + sizeof(buffer), 0xEE);
  size_t length = sizeof(buffer);
  EXPECT_EQ(f.device.receive_response(buffer, &length), 3);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(buffer[0], 0xEE);
}

TEST(HidHs, SequenceZeroIsAcceptedAndStaleAnswersAreSkipped) {
  const bytes fresh = {0x11, 0x90, 0x00};
  const bytes old = {0x22, 0x90, 0x00};
  struct stale_case {
    int stale_before;
    bool zero_sequence;
    int expected;
  } cases[] = {{0, true, 0}, {1, false, 0}, {2, false, 0}, {3, false, 4}};
  for (const auto& c : cases) {
    hs_fixture f;
    const bytes command = {0x00};
    ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
    const uint8_t seq = hid65_sequence().current();
    const uint8_t stale = seq == 1 ? 255 : uint8_t(seq - 1);
    for (int i = 0; i < c.stale_before; ++i) f.queue(answer_frame(stale, old));
    f.queue(answer_frame(c.zero_sequence ? 0 : seq, fresh));
    uint8_t buffer[64];
    size_t length = sizeof(buffer);
    EXPECT_EQ(f.device.receive_response(buffer, &length), c.expected) << c.stale_before;
    if (c.expected == 0) { EXPECT_EQ(bytes(buffer, buffer + length), fresh); }
  }
}

TEST(HidHs, SilentTokenFailsTheReceiveWithinTheTimeout) {
  hs_fixture f;
  uint8_t buffer[64];
  size_t length = sizeof(buffer);
  EXPECT_EQ(f.device.receive_response(buffer, &length), 1);
  EXPECT_EQ(f.port->last_read_timeout, 5000u);
}

TEST(HidHs, MessageMayNotRunPastTheReceiveArea) {
  hs_fixture f;
  // Reports that never carry the last bit: 33 fill 2048 bytes, the 34th must stop it.
  for (int i = 0; i < 40; ++i) {
    bytes r(65, 0xAA);
    r[0] = 0;
    r[1] = 0x80 | 63;
    f.port->inputs.push_back(r);
  }
  uint8_t area[2048];
  size_t length = sizeof(area);
  EXPECT_EQ(f.device.read_message(area, &length), 1);
  EXPECT_LE(f.port->inputs.size(), 40u - 32u);
}

TEST(HidHs, TransceiveMapsSendAndReceiveFailures) {
  hs_fixture f;
  const bytes command = {0x00, 0xA4};
  uint8_t buffer[64];
  size_t length = sizeof(buffer);
  f.port->fail_writes = true;
  EXPECT_EQ(f.device.transceive(command.data(), command.size(), buffer, &length), 1);
  f.port->fail_writes = false;
  EXPECT_EQ(f.device.transceive(command.data(), command.size(), buffer, &length), 2);
}

TEST(HidHs, OpenRetriesAndStillReportsSuccess) {
  hs_fixture f;
  f.port->open_error = 2;
  EXPECT_EQ(f.device.open(), 0);
  EXPECT_EQ(f.clock.sleeps, (std::vector<unsigned>{1000, 1000, 1000, 1000}));
}

struct ctrl_fixture {
  ctrl_fixture() : port(new fake_hid_port), device("hid#vid_7c31&pid_c3d4#c", std::unique_ptr<hid_port>(port)) {
    device.set_clock(clock);
  }
  fake_hid_port* port;
  fake_clock clock;
  device_winhid_ctrl_io device;
};

TEST(HidCtrlIo, EmptyFeatureReportsBackOff) {
  ctrl_fixture f;
  const bytes command = {0x00, 0x84};
  ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
  for (int i = 0; i < 3; ++i) f.port->features.push_back(bytes(65, 0));
  const bytes response = {0x01, 0x90, 0x00};
  for (auto& r : as_reports(answer_frame(hid65_sequence().current(), response))) f.port->features.push_back(r);
  uint8_t buffer[64];
  size_t length = sizeof(buffer);
  ASSERT_EQ(f.device.receive_response(buffer, &length), 0);
  EXPECT_EQ(bytes(buffer, buffer + length), response);
  EXPECT_EQ(f.clock.sleeps, (std::vector<unsigned>{5, 40, 60, 80}));
}

TEST(HidCtrlIo, BackOffCycleAndBoundByTimeout) {
  ctrl_fixture f;
  f.device.set_io_timeout(5000);
  uint8_t buffer[2048];
  size_t length = sizeof(buffer);
  EXPECT_EQ(f.device.read_message(buffer, &length), 1);
  ASSERT_GE(f.clock.sleeps.size(), 12u);
  const std::vector<unsigned> cycle = {5, 40, 60, 80, 100, 120, 140, 160, 180, 200, 20, 40};
  EXPECT_EQ(std::vector<unsigned>(f.clock.sleeps.begin(), f.clock.sleeps.begin() + 12), cycle);
  unsigned slept = 0;
  for (unsigned s : f.clock.sleeps) slept += s;
  EXPECT_LE(slept, 5000u + 5u);
  EXPECT_GT(slept, 4700u);
}

TEST(HidCtrlIo, FailedFeatureReadFailsTheReceive) {
  ctrl_fixture f;
  f.port->fail_features = true;
  uint8_t buffer[64];
  size_t length = sizeof(buffer);
  EXPECT_EQ(f.device.receive_response(buffer, &length), 1);
}

struct winhid_fixture {
  winhid_fixture() : port(new fake_hid_port), device("hid#vid_7c31&pid_c3d4#w", std::unique_ptr<hid_port>(port)) {
    device.set_clock(clock);
  }
  void queue(const bytes& frame) {
    bytes r(1093, 0);
    std::copy(frame.begin(), frame.end(), r.begin() + 1);
    port->inputs.push_back(r);
  }
  fake_hid_port* port;
  fake_clock clock;
  device_winhid device;
};

TEST(HidLong, OneReportPerMessageWithItsOwnCounter) {
  winhid_fixture f;
  const uint8_t short_seq = hid65_sequence().current();
  const bytes command(600, 0x3C);
  ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
  EXPECT_EQ(hid65_sequence().current(), short_seq);
  ASSERT_EQ(f.port->written.size(), 1u);
  const bytes& r = f.port->written[0];
  ASSERT_EQ(r.size(), 1093u);
  EXPECT_EQ(r[0], 0);
  EXPECT_EQ(r[1], 0xFE);
  EXPECT_EQ(r[20], hid1093_sequence().current());
  EXPECT_EQ(bytes(r.begin() + 24, r.begin() + 624), command);
  // A command whose frame cannot fit one report is refused, not cut.
  const bytes too_long(1070, 0);
  EXPECT_EQ(f.device.send_command(too_long.data(), too_long.size()), 1);
}

TEST(HidLong, AnswerPayloadLimitIs1076) {
  for (auto [payload, expected] : {std::pair{1076, 0}, std::pair{1077, 3}}) {
    winhid_fixture f;
    const bytes command = {0x00};
    ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
    answer_spec s;
    s.payload = payload;
    f.queue(answer_frame(hid1093_sequence().current(), {0x90, 0x00}, s));
    uint8_t buffer[64];
    size_t length = sizeof(buffer);
    EXPECT_EQ(f.device.receive_response(buffer, &length), expected) << payload;
  }
}

TEST(HidLong, OpenTriesTwiceAndReportsTheError) {
  winhid_fixture f;
  f.port->open_error = 13;
  EXPECT_EQ(f.device.open(), 13);
  EXPECT_EQ(f.clock.sleeps, std::vector<unsigned>{1000});
}

}  // namespace
}  // namespace veltrakey::testing
