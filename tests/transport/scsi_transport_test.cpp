// Vendor command blocks and data of the SCSI transport.
#include <gtest/gtest.h>

#include <cstring>

#include "fakes.h"
#include "transport/device_winscsi.h"

namespace veltrakey::testing {
namespace {

const bytes send_block = {0xFE, 0x01, 'G', 'M', 'C', 'A', 'P', 'I', 'D', 'F', 'S', 0x00};
const bytes receive_block = {0xFE, 0x02, 'G', 'M', 'C', 'A', 'P', 'I', 'D', 'F', 'S', 0x00};

struct scsi_fixture {
  scsi_fixture() : port(new fake_scsi_port), device("usbstor#disk&ven_x&prod_tk5100#/dev/sg9",
                                                   std::unique_ptr<scsi_port>(port)) {}
  fake_scsi_port* port;
  device_winscsi device;
};

TEST(Scsi, FramedCommandBytes) {
  scsi_fixture f;
  f.port->results.push_back({scsi_ok, {}});
  const bytes command = {0x80, 0x04, 0x00, 0x00, 0x00};
  ASSERT_EQ(f.device.send_command(command.data(), command.size()), 0);
  ASSERT_EQ(f.port->calls.size(), 1u);
  EXPECT_EQ(f.port->calls[0].cdb, send_block);
  EXPECT_EQ(f.port->calls[0].direction, scsi_direction::out);
  EXPECT_EQ(f.port->calls[0].data_out, (bytes{0x12, 0x00, 0x05, 0x80, 0x04, 0x00, 0x00, 0x00}));
}

TEST(Scsi, ResponseChecks) {
  struct response_case {
    const char* name;
    int transfer;
    bytes answer;
    int expected;
    bytes delivered;
  } cases[] = {
      {"good", scsi_ok, {0x12, 0x00, 0x03, 0x01, 0x90, 0x00}, 0, {0x01, 0x90, 0x00}},
      {"transfer failed", scsi_timeout, {}, 1, {}},
      {"wrong tag", scsi_ok, {0x13, 0x00, 0x02, 0x90, 0x00}, 2, {}},
      {"four bytes only", scsi_ok, {0x12, 0x00, 0x01, 0x90}, 3, {}},
      {"length beyond data", scsi_ok, {0x12, 0x00, 0x09, 0x90, 0x00}, 4, {}},
  };
  for (const auto& c : cases) {
    scsi_fixture f;
    f.port->results.push_back({c.transfer, c.answer});
    uint8_t buffer[16];
    size_t length = sizeof(buffer);
    EXPECT_EQ(f.device.receive_response(buffer, &length), c.expected) << c.name;
    EXPECT_EQ(bytes(buffer, buffer + length), c.delivered) << c.name;
    ASSERT_EQ(f.port->calls.size(), 1u);
    EXPECT_EQ(f.port->calls[0].cdb, receive_block);
    EXPECT_EQ(f.port->calls[0].length, sizeof(buffer) + 3) << c.name;
  }
}

TEST(Scsi, BulkTransferPadsTo512) {
  scsi_fixture f;
  uint8_t limit_answer[4];
  const uint32_t limit = 4096;
  std::memcpy(limit_answer, &limit, 4);
  f.port->results.push_back({scsi_ok, bytes(limit_answer, limit_answer + 4)});
  uint32_t got = 0;
  ASSERT_EQ(f.device.query_limit(&got), 0);
  EXPECT_EQ(got, 4096u);

  bytes input(600);
  for (size_t i = 0; i < input.size(); ++i) input[i] = uint8_t(i);
  bytes reply(1024);
  for (size_t i = 0; i < reply.size(); ++i) reply[i] = uint8_t(255 - i % 256);
  f.port->results.push_back({scsi_ok, {}});
  f.port->results.push_back({scsi_ok, reply});
  bytes output(700, 0xEE);
  size_t out_length = 0;
  bulk_block b;
  b.algorithm = 0x00000401;
  b.direction = 1;
  b.input = input.data();
  b.length = input.size();
  b.output = output.data();
  b.output_capacity = output.size();
  b.output_length = &out_length;
  ASSERT_EQ(f.device.bulk_transfer(b), 0);
  ASSERT_EQ(f.port->calls.size(), 3u);
  const scsi_call& write = f.port->calls[1];
  EXPECT_EQ(write.cdb, (bytes{0xFF, 0x01, 0x01, 0x01, 0x04, 0x00, 0x00, 0x58, 0x02, 0, 0, 0}));
  ASSERT_EQ(write.data_out.size(), 1024u);
  EXPECT_EQ(bytes(write.data_out.begin(), write.data_out.begin() + 600), input);
  EXPECT_EQ(bytes(write.data_out.begin() + 600, write.data_out.end()), bytes(424, 0));
  EXPECT_EQ(f.port->calls[2].cdb, (bytes{0xFF, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(f.port->calls[2].length, 1024u);
  EXPECT_EQ(out_length, 600u);
  EXPECT_EQ(bytes(output.begin(), output.begin() + 600), bytes(reply.begin(), reply.begin() + 600));
  EXPECT_EQ(output[600], 0xEE);
}

TEST(Scsi, BulkTransferRefusesBlocksAboveTheLimitOrTheOutput) {
  scsi_fixture f;
  f.port->results.push_back({scsi_timeout, {}});
  uint32_t limit = 0;
  ASSERT_EQ(f.device.query_limit(&limit), 0);
  EXPECT_EQ(limit, 1024u);  // a failed query falls back to 1024
  bytes input(1025), output(2048);
  size_t out_length = 99;
  bulk_block b;
  b.input = input.data();
  b.length = input.size();
  b.output = output.data();
  b.output_capacity = output.size();
  b.output_length = &out_length;
  EXPECT_EQ(f.device.bulk_transfer(b), 1);
  b.length = 600;
  b.output_capacity = 599;
  EXPECT_EQ(f.device.bulk_transfer(b), 1);
  EXPECT_EQ(out_length, 0u);
  EXPECT_EQ(f.port->calls.size(), 1u);  // nothing was sent
}

TEST(Scsi, ZeroLimitAnswerMeans1024) {
  scsi_fixture f;
  f.port->results.push_back({scsi_ok, {0, 0, 0, 0}});
  uint32_t limit = 7;
  f.device.query_limit(&limit);
  EXPECT_EQ(limit, 1024u);
  EXPECT_EQ(f.port->calls[0].cdb[0], 0xF9);
  EXPECT_EQ(f.port->calls[0].length, 4u);
}

TEST(Scsi, ProbeAndBulkMode) {
  struct probe_case {
    int transfer;
    bytes answer;
    int expected;
  } cases[] = {{scsi_ok, {0x05, 0x80, 0x02}, 0}, {scsi_ok, {0x00, 0x80}, 2}, {scsi_bad_status, {}, 1}};
  for (const auto& c : cases) {
    scsi_fixture f;
    f.port->results.push_back({c.transfer, c.answer});
    EXPECT_EQ(f.device.probe(), c.expected);
    EXPECT_EQ(f.port->calls[0].cdb, (bytes{0x12, 0, 0, 0, 128, 0, 0, 0, 0, 0, 0, 0}));
  }
  scsi_fixture f;
  f.port->results.push_back({scsi_ok, {}});
  EXPECT_EQ(f.device.bulk_mode(true), 0);
  EXPECT_EQ(f.port->calls[0].cdb, (bytes{0xFB, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(f.port->calls[0].length, 0u);
  EXPECT_EQ(f.device.kind(), 0);
}

}  // namespace
}  // namespace veltrakey::testing
