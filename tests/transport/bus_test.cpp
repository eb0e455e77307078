// End to end over a private virtual bus: the transports against the virtual
// token's endpoints, in every variant, with faults injected by the token.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>

#include "bus/echo_command_handler.h"
#include "bus/io_service.h"
#include "bus/virtual_token.h"
#include "core/token_interpreter.h"
#include "temp_dir.h"
#include "transport/device_access.h"
#include "transport/device_manager.h"
#include "transport/device_winhid.h"
#include "transport/device_winhid_ctrl_io.h"
#include "transport/device_winhid_hs.h"
#include "transport/device_winrpc.h"
#include "transport/device_winscsi.h"

namespace veltrakey::testing {
namespace {

using tokensim::token_variant;
using clock_type = std::chrono::steady_clock;
using bytes = std::vector<uint8_t>;

// A bus, an empty sysfs tree (so no real device joins in) and a manager.
struct private_bus {
  private_bus() {
    chmod(bus.path().c_str(), 0700);
    setenv("VELTRAKEY_VBUS", bus.path().c_str(), 1);
    setenv("VELKON_IOSVR", (service_dir.path() + "/VelkonIOSvr").c_str(), 1);
    manager.set_sysfs_root(sys.path());
    manager.set_sandbox_query([this] { return sandbox_answer{true, sandboxed}; });
    manager.rpc_discoverer().set_pipe_timeout(2000);
  }
  ~private_bus() {
    for (auto& t : tokens) t->unplug();
    service.stop();
    unsetenv("VELTRAKEY_VBUS");
    unsetenv("VELKON_IOSVR");
  }
  tokensim::virtual_token& plug(token_variant v, const std::string& serial,
                                std::shared_ptr<tokensim::command_handler> handler = nullptr) {
    if (!handler) handler = std::make_shared<tokensim::echo_command_handler>();
    tokens.push_back(std::make_shared<tokensim::virtual_token>(v, serial, handler));
    EXPECT_TRUE(tokens.back()->plug(bus.path()));
    return *tokens.back();
  }
  void start_service() {
    ASSERT_TRUE(service.start(service_dir.path() + "/VelkonIOSvr"));
    sandboxed = true;
  }
  // The manager's object for a token, opened.
  device_base* open_device(const tokensim::virtual_token& token) {
    access.refresh(nullptr);
    for (const auto& d : manager.devices()) {
      if (token.path() == d->path()) {
        EXPECT_EQ(access.open(d.get()), 0);
        return d.get();
      }
    }
    ADD_FAILURE() << "not found: " << token.path();
    return nullptr;
  }

  temp_dir bus, sys, service_dir;
  device_manager manager;
  device_access access {manager};
  bool sandboxed = false;
  std::vector<std::shared_ptr<tokensim::virtual_token>> tokens;
  tokensim::io_service service {[this] { return tokens; }};
};

bytes echo_of(const bytes& command) {
  bytes answer = command;
  answer.push_back(0x90);
  answer.push_back(0x00);
  return answer;
}

int exchange(device_base* device, const bytes& command, bytes* answer) {
  uint8_t buffer[2048];
  size_t length = sizeof(buffer);
  const int rc = device->transceive(command.data(), command.size(), buffer, &length);
  answer->assign(buffer, buffer + (rc == 0 ? length : 0));
  return rc;
}

bytes sample_command(size_t n) {
  bytes c(n);
  for (size_t i = 0; i < n; ++i) c[i] = uint8_t(i * 13 + 5);
  return c;
}

template <typename T>
bool is(device_base* d) {
  return dynamic_cast<T*>(d) != nullptr;
}

TEST(VirtualBus, EveryTransportCarriesACommandAndItsAnswer) {
  private_bus b;
  auto& hs = b.plug(token_variant::hid_hs, "HS01");
  auto& ctrl = b.plug(token_variant::hid_ctrl_io, "CT01");
  auto& longr = b.plug(token_variant::hid_long, "LG01");
  auto& disk = b.plug(token_variant::scsi, "SC01");
  EXPECT_EQ(b.access.refresh(nullptr), 4);

  struct route {
    tokensim::virtual_token* token;
    bool (*expected_class)(device_base*);
    size_t longest;
  } routes[] = {
      {&hs, is<device_winhid_hs>, 1000},
      {&ctrl, is<device_winhid_ctrl_io>, 1000},
      {&longr, is<device_winhid>, 1067},
      {&disk, is<device_winscsi>, 2000},
  };
  for (const auto& r : routes) {
    device_base* d = b.open_device(*r.token);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(r.expected_class(d)) << r.token->path();
    for (size_t n : {size_t(5), size_t(40), size_t(41), size_t(103), r.longest}) {
      const bytes command = sample_command(n);
      bytes answer;
      ASSERT_EQ(exchange(d, command, &answer), 0) << r.token->path() << " n=" << n;
      EXPECT_EQ(answer, echo_of(command)) << r.token->path() << " n=" << n;
    }
  }
}

TEST(VirtualBus, ServiceTransportInASandbox) {
  private_bus b;
  auto& disk = b.plug(token_variant::scsi, "RP01");
  b.plug(token_variant::hid_hs, "HS02");
  b.start_service();
  device_base* d = b.open_device(disk);
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(is<device_winrpc>(d));
  EXPECT_GT(static_cast<device_winrpc*>(d)->service_handle(), 0);
  const bytes command = sample_command(300);
  bytes answer;
  ASSERT_EQ(exchange(d, command, &answer), 0);
  EXPECT_EQ(answer, echo_of(command));
  // The separate send and receive requests carry the same exchange.
  ASSERT_EQ(d->send_command(command.data(), command.size()), 0);
  uint8_t buffer[2048];
  size_t length = sizeof(buffer);
  ASSERT_EQ(d->receive_response(buffer, &length), 0);
  EXPECT_EQ(bytes(buffer, buffer + length), echo_of(command));
  EXPECT_EQ(d->probe(), 0);
  EXPECT_EQ(d->close(), 0);
  EXPECT_EQ(static_cast<device_winrpc*>(d)->service_handle(), -1);
}

TEST(VirtualBus, TheTokenCoreAnswersThroughEveryTransport) {
  private_bus b;
  // One token state behind all four presentations, so every route must
  // deliver the same device information.
  auto core = std::make_shared<tokensim::token_interpreter>(std::string(), "TS0000000042");
  std::vector<tokensim::virtual_token*> presented = {
      &b.plug(token_variant::hid_hs, "C1", core), &b.plug(token_variant::hid_ctrl_io, "C2", core),
      &b.plug(token_variant::hid_long, "C3", core), &b.plug(token_variant::scsi, "C4", core)};
  const bytes device_info = {0x80, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
  bytes first;
  for (auto* token : presented) {
    device_base* d = b.open_device(*token);
    ASSERT_NE(d, nullptr);
    bytes answer;
    ASSERT_EQ(exchange(d, device_info, &answer), 0) << token->path();
    ASSERT_GT(answer.size(), 2u);
    EXPECT_EQ(bytes(answer.end() - 2, answer.end()), (bytes{0x90, 0x00})) << token->path();
    if (first.empty()) first = answer;
    EXPECT_EQ(answer, first) << token->path();
  }
}

TEST(VirtualBus, BulkPathOverScsi) {
  private_bus b;
  auto& disk = b.plug(token_variant::scsi, "BK01");
  device_base* d = b.open_device(disk);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->probe(), 0);
  uint32_t limit = 0;
  ASSERT_EQ(d->query_limit(&limit), 0);
  EXPECT_EQ(limit, 4096u);
  EXPECT_EQ(d->bulk_mode(true), 0);
  const bytes input = sample_command(600);
  bytes output(600);
  size_t out_length = 0;
  bulk_block block;
  block.algorithm = 0x401;
  block.direction = 1;
  block.input = input.data();
  block.length = input.size();
  block.output = output.data();
  block.output_capacity = output.size();
  block.output_length = &out_length;
  ASSERT_EQ(d->bulk_transfer(block), 0);
  EXPECT_EQ(out_length, 600u);
  EXPECT_EQ(output, input);  // the simulator's bulk path without a cipher gives the block back

  disk.hub().set_bulk_limit(0);  // the limit query now fails
  ASSERT_EQ(d->query_limit(&limit), 0);
  EXPECT_EQ(limit, 1024u);
}

struct fault_case {
  const char* name;
  token_variant variant;
  const char* fault;
  int expected;
};

void run_fault_case(const fault_case& c, bool through_service = false) {
  private_bus b;
  auto& token = b.plug(c.variant, "FT01");
  if (through_service) b.start_service();
  device_base* d = b.open_device(token);
  ASSERT_NE(d, nullptr);
  auto plan = tokensim::parse_fault_plan(c.fault);
  ASSERT_TRUE(plan.has_value()) << c.fault;
  plan->commands = 1;
  token.hub().set_fault(*plan);
  const bytes command = sample_command(70);
  bytes answer;
  const auto start = clock_type::now();
  EXPECT_EQ(exchange(d, command, &answer), c.expected) << c.name;
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count();
  EXPECT_LT(spent, 5000 + 1500) << c.name;
  if (c.expected != 0) { EXPECT_TRUE(answer.empty()) << c.name; }
  if (c.expected == 0) { EXPECT_EQ(answer, echo_of(command)) << c.name; }

  // The token answers normally afterwards; a hung-up handle needs opening again.
  if (std::string(c.fault) == "disconnect") { ASSERT_EQ(d->open(), 0); }
  const bytes next = sample_command(12);
  ASSERT_EQ(exchange(d, next, &answer), 0) << c.name << " (next command)";
  EXPECT_EQ(answer, echo_of(next)) << c.name;
}

TEST(VirtualBusFaults, FramingFaultsAreReceiveFailures) {
  const fault_case cases[] = {
      {"hs bad marker", token_variant::hid_hs, "bad-marker", 2},
      {"hs wrong length", token_variant::hid_hs, "wrong-length", 2},
      {"hs two stale answers", token_variant::hid_hs, "stale=2", 0},
      {"hs three stale answers", token_variant::hid_hs, "stale=3", 2},
      {"hs hang-up mid-answer", token_variant::hid_hs, "disconnect", 2},
      {"ctrl empty reports first", token_variant::hid_ctrl_io, "empty=3", 0},
      {"ctrl bad marker", token_variant::hid_ctrl_io, "bad-marker", 2},
      {"ctrl stale answer", token_variant::hid_ctrl_io, "stale=1", 0},
      {"ctrl hang-up", token_variant::hid_ctrl_io, "disconnect", 2},
      {"long wrong length", token_variant::hid_long, "wrong-length", 2},
      {"long stale answer", token_variant::hid_long, "stale=1", 0},
      {"long hang-up", token_variant::hid_long, "disconnect", 2},
      {"scsi bad tag", token_variant::scsi, "bad-marker", 2},
      {"scsi wrong length", token_variant::scsi, "wrong-length", 2},
      {"scsi hang-up", token_variant::scsi, "disconnect", 2},
      {"slow but in time", token_variant::hid_hs, "delay=300", 0},
  };
  for (const auto& c : cases) run_fault_case(c);
}

TEST(VirtualBusFaults, ServiceFaultsAreFailures) {
  const fault_case cases[] = {
      {"service bad tag", token_variant::scsi, "bad-marker", 2},
      {"service wrong length", token_variant::scsi, "wrong-length", 4},
      {"service gives no answer", token_variant::scsi, "drop", 1},
  };
  for (const auto& c : cases) run_fault_case(c, true);
}

// Lost answers cost the object's time-out (5 s) each.
TEST(VirtualBusFaults, LostAnswerOnHidReports) { run_fault_case({"hs drop", token_variant::hid_hs, "drop", 2}); }
TEST(VirtualBusFaults, LostAnswerOnFeaturePolling) { run_fault_case({"ctrl drop", token_variant::hid_ctrl_io, "drop", 2}); }
TEST(VirtualBusFaults, LateAnswerOnLongReports) { run_fault_case({"long late", token_variant::hid_long, "delay=5600", 2}); }
TEST(VirtualBusFaults, LostAnswerOnScsi) { run_fault_case({"scsi drop", token_variant::scsi, "drop", 2}); }

TEST(VirtualBus, UnplugMarksGoneAndFailsTransfers) {
  private_bus b;
  auto& a = b.plug(token_variant::hid_hs, "UP01");
  auto& c = b.plug(token_variant::hid_hs, "UP02");
  device_base* d = b.open_device(a);
  ASSERT_NE(d, nullptr);
  a.unplug();
  bytes answer;
  EXPECT_EQ(exchange(d, sample_command(8), &answer), 1);  // the send fails at once
  int gone = 0, added = 0;
  EXPECT_EQ(b.manager.refresh(&gone, &added, default_device_filter), 1);
  EXPECT_EQ(gone, 1);
  EXPECT_EQ(d->state(), device_state_gone);
  b.manager.purge();
  ASSERT_EQ(b.manager.device_count(), 1);
  EXPECT_EQ(std::string(b.manager.devices().front()->path()), c.path());
}

}  // namespace
}  // namespace veltrakey::testing
