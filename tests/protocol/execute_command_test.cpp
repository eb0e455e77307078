#include <gtest/gtest.h>

#include "core/status_word.h"
#include "protocol/command_chain.h"
#include "protocol/token_operation.h"
#include "scripted_device.h"

namespace {

using namespace veltrakey;
using namespace test;

TEST(ExecuteCommand, ResultsAndStatusWords) {
  struct row {
    const char* what;
    scripted_answer answer;
    int result;
    uint16_t sw;
    size_t data_size;
  };
  const row rows[] = {
      {"data and status", {{0xAA, 0xBB, 0x90, 0x00}}, execute_ok, 0x9000, 2},
      {"status only", {{0x6A, 0x88}}, execute_ok, 0x6A88, 0},
      {"one byte", {{0x90}}, execute_short_response, 0x8005, 0},
      {"nothing", {{}}, execute_short_response, 0x8005, 0},
      {"send failed", {{}, 1}, execute_transport_failed, 0x8003, 0},
      {"receive failed", {{}, 2}, execute_transport_failed, 0x8004, 0},
      {"longer than the receive area", {bytes(16, 0), 0, receive_area_size + 1}, execute_transport_failed, 0x8004, 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    scripted_device device;
    device.script.push_back(r.answer);
    auto apdu = build_command(cmd::get_dev_info);
    last_sw = 0;
    EXPECT_EQ(execute_command(&device, *apdu, always_known), r.result);
    EXPECT_EQ(last_sw, r.sw);
    EXPECT_EQ(apdu->response_data().size(), r.data_size);
    ASSERT_EQ(device.sent.size(), 1u);
    EXPECT_EQ(device.sent[0], (bytes{0x80, 0x04, 0, 0, 0, 0, 0}));
  }
}

TEST(ExecuteCommand, RefusesBeforeSending) {
  scripted_device device;
  auto invalid = build_command(cmd::write_oem_info);  // a data command without data
  EXPECT_EQ(execute_command(&device, *invalid, always_known), execute_bad_record);
  EXPECT_EQ(last_sw, 0x8001);
  auto valid = build_command(cmd::get_dev_info);
  EXPECT_EQ(execute_command(&device, *valid, never_known), execute_unknown_device);
  EXPECT_EQ(last_sw, 0x8003);
  EXPECT_TRUE(device.sent.empty());
}

TEST(ExecuteCommand, GivesTheTransportTheCommandsTimeout) {
  scripted_device device;
  auto slow = build_command(cmd::delete_application, {.data = bytes{'a'}});
  auto plain = build_command(cmd::get_dev_info);
  execute_command(&device, *slow, always_known);
  execute_command(&device, *plain, always_known);
  EXPECT_EQ(device.timeouts, (std::vector<uint32_t>{10000, 0}));
}

TEST(TokenOperation, ResultContract) {
  const operation_options known{.known = always_known};
  std::vector<uint8_t> out;
  scripted_device device;
  device.script = {{{1, 2, 3, 0x90, 0x00}}, {{0x6A, 0x82}}, {{}, 1}, {{1, 2, 3, 4, 0x90, 0x00}}};
  EXPECT_EQ(token_operation(&device, cmd::get_dev_info, {}, &out, known), token_ok);
  EXPECT_EQ(out, (bytes{1, 2, 3}));
  EXPECT_EQ(token_operation(&device, cmd::get_dev_info, {}, &out, known), token_status_failed);
  EXPECT_EQ(token_operation(&device, cmd::get_dev_info, {}, &out, known), token_exchange_failed);
  EXPECT_EQ(last_sw, 0x8003);
  out.clear();
  operation_options small = known;
  small.capacity = 3;
  EXPECT_EQ(token_operation(&device, cmd::get_dev_info, {}, &out, small), token_response_too_long);
  EXPECT_EQ(last_sw, 0x9000);
  EXPECT_TRUE(out.empty());  // nothing delivered
}

TEST(TokenOperation, MacFinalAsksAgainForTheShortMac) {
  scripted_device device;
  device.script = {{{0x6C, 0x04}}, {{9, 8, 7, 6, 0x90, 0x00}}};
  std::vector<uint8_t> mac;
  const bytes ids = {0, 1, 0, 2, 0, 3};
  EXPECT_EQ(mac_final_operation(&device, ids, &mac, {.known = always_known}), token_ok);
  EXPECT_EQ(mac, (bytes{9, 8, 7, 6}));
  ASSERT_EQ(device.sent.size(), 2u);
  EXPECT_EQ(bytes(device.sent[0].end() - 2, device.sent[0].end()), (bytes{0, 16}));
  EXPECT_EQ(bytes(device.sent[1].end() - 2, device.sent[1].end()), (bytes{0, 4}));

  device.script = {{{0x6A, 0x80}}};
  EXPECT_EQ(mac_final_operation(&device, ids, &mac, {.known = always_known}), token_status_failed);
}

TEST(TokenOperation, EnumApplicationTakesTheMoreDataStatus) {
  scripted_device device;
  device.script = {{{'a', 0, 0x6A, 0x9E}}, {{'b', 0, 0, 0x90, 0x00}}, {{0x6A, 0x88}}};
  std::vector<uint8_t> names;
  bool more = false;
  EXPECT_EQ(enum_application_operation(&device, &names, &more, {.known = always_known}), token_ok);
  EXPECT_TRUE(more);
  EXPECT_EQ(names, (bytes{'a', 0}));
  EXPECT_EQ(enum_application_operation(&device, &names, &more, {.known = always_known}), token_ok);
  EXPECT_FALSE(more);
  EXPECT_EQ(enum_application_operation(&device, &names, &more, {.known = always_known}), token_status_failed);
  EXPECT_FALSE(more);
}

TEST(TokenOperation, SetSessionKeyNeedsTheKeyId) {
  scripted_device device;
  device.script = {{{0x00, 0x07, 0x90, 0x00}}, {{0x07, 0x90, 0x00}}};
  const bytes body(40, 0);
  uint16_t id = 0;
  EXPECT_EQ(set_session_key_operation(&device, body, &id, {.known = always_known}), token_ok);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(set_session_key_operation(&device, body, &id, {.known = always_known}), token_response_too_long);
}

struct chain_case {
  size_t length;
  std::vector<size_t> pieces;
};

TEST(CommandChain, CutsDataIntoPieces) {
  const chain_case cases[] = {
      {2500, {992, 992, 516}},
      {992, {992}},
      {0, {}},
  };
  for (const chain_case& c : cases) {
    SCOPED_TRACE(c.length);
    scripted_device device;
    const bytes data(c.length, 0x5A);
    auto opening = build_command(cmd::import_certificate, {.data = bytes{0, 1, 0, 2, 1, 0, 0, 9, 0xC4}});
    ASSERT_EQ(send_chained(&device, std::move(opening), data, 992, always_known), token_ok);
    ASSERT_EQ(device.sent.size(), 1 + c.pieces.size());
    EXPECT_EQ(device.sent[0][0], 0x90);  // the opening carries the chaining bit
    for (size_t i = 0; i < c.pieces.size(); ++i) {
      const bytes& unit = device.sent[1 + i];
      const bool last = i + 1 == c.pieces.size();
      EXPECT_EQ(unit[0], last ? 0x80 : 0x90);
      EXPECT_EQ(unit[1], 0x4C);
      EXPECT_EQ(unit.size(), 7 + c.pieces[i]);
      EXPECT_EQ(size_t{unit[5]} << 8 | unit[6], c.pieces[i]);
    }
  }
}

TEST(CommandChain, StopsAtTheFirstFailure) {
  scripted_device refused;
  refused.script = {{{0x90, 0x00}}, {{0x6A, 0x80}}};
  const bytes data(3000, 1);
  EXPECT_EQ(send_chained(&refused, build_command(cmd::import_certificate, {.data = bytes{1}}), data, 1000,
                         always_known),
            token_status_failed);
  EXPECT_EQ(refused.sent.size(), 2u);

  scripted_device lost;
  lost.script = {{{}, 2}};
  EXPECT_EQ(send_chained(&lost, build_command(cmd::import_certificate, {.data = bytes{1}}), data, 1000, always_known),
            token_exchange_failed);
  EXPECT_EQ(last_sw, 0x8004);
  EXPECT_EQ(lost.sent.size(), 1u);
}

}  // namespace
