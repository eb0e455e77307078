#include "commands.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "text.h"

namespace skftool {

namespace {

int fail(const char* what, ULONG code) {
  fprintf(stderr, "skftool: %s failed: %s\n", what, describe_result(code).c_str());
  return code == SAR_DEVICE_REMOVED ? exit_no_token : exit_skf_error;
}

bool has_entry(const void* entry, const char* name) {
  if (entry) return true;
  fprintf(stderr, "skftool: the library does not provide %s\n", name);
  return false;
}

// Parses a whole decimal number within [low, high].
bool parse_number(const std::string& text, unsigned long low, unsigned long high, unsigned long& out) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  out = strtoul(text.c_str(), nullptr, 10);
  return errno == 0 && out >= low && out <= high;
}

// The names of the tokens present; `code` receives the library's answer.
std::vector<std::string> token_names(skf_library& skf, ULONG& code) {
  ULONG size = 0;
  code = skf.EnumDev(TRUE, nullptr, &size);
  if (code != SAR_OK || size == 0) return {};
  std::vector<char> list(size);
  code = skf.EnumDev(TRUE, list.data(), &size);
  if (code != SAR_OK) return {};
  return split_name_list(list.data(), std::min<size_t>(size, list.size()));
}

// A connection for one command; disconnects when it goes.
class connection {
public:
  connection(skf_library& skf, const std::string& wanted) : skf_(skf) {
    if (!has_entry(reinterpret_cast<void*>(skf.EnumDev), "SKF_EnumDev") ||
        !has_entry(reinterpret_cast<void*>(skf.ConnectDev), "SKF_ConnectDev")) {
      status_ = exit_no_library;
      return;
    }
    name_ = wanted;
    if (name_.empty()) {
      ULONG code = SAR_OK;
      auto names = token_names(skf, code);
      if (names.empty()) {
        if (code == SAR_OK || code == SAR_DEVICE_REMOVED) {
          fprintf(stderr, "skftool: no token present\n");
          status_ = exit_no_token;
        } else {
          status_ = fail("SKF_EnumDev", code);
        }
        return;
      }
      name_ = names.front();
    }
    const ULONG code = skf.ConnectDev(name_.data(), &device_);
    if (code != SAR_OK) {
      fprintf(stderr, "skftool: cannot connect to %s\n", name_.c_str());
      status_ = fail("SKF_ConnectDev", code);
      device_ = nullptr;
    }
  }
  connection(const connection&) = delete;
  connection& operator=(const connection&) = delete;
  ~connection() {
    if (device_ && skf_.DisConnectDev) skf_.DisConnectDev(device_);
  }

  // exit_ok when connected, else the exit code to end with.
  int status() const { return status_; }
  DEVHANDLE device() const { return device_; }
  const std::string& name() const { return name_; }

private:
  skf_library& skf_;
  std::string name_;
  DEVHANDLE device_ = nullptr;
  int status_ = exit_ok;
};

int run_list(skf_library& skf, const invocation&) {
  if (!has_entry(reinterpret_cast<void*>(skf.EnumDev), "SKF_EnumDev")) return exit_no_library;
  ULONG code = SAR_OK;
  const auto names = token_names(skf, code);
  if (code != SAR_OK && code != SAR_DEVICE_REMOVED) return fail("SKF_EnumDev", code);
  if (names.empty()) {
    printf("No token present.\n");
    return exit_no_token;
  }
  printf("%zu token%s present:\n", names.size(), names.size() == 1 ? "" : "s");
  for (const auto& name : names) printf("  %s\n", name.c_str());
  return exit_ok;
}

int run_info(skf_library& skf, const invocation& call) {
  if (!has_entry(reinterpret_cast<void*>(skf.GetDevInfo), "SKF_GetDevInfo")) return exit_no_library;
  connection token(skf, call.device);
  if (token.status() != exit_ok) return token.status();
  DEVINFO info;
  memset(&info, 0, sizeof info);
  const ULONG code = skf.GetDevInfo(token.device(), &info);
  if (code != SAR_OK) return fail("SKF_GetDevInfo", code);
  printf("Token %s\n", token.name().c_str());
  printf("  Label:            %s\n", field_text(info.Label, sizeof info.Label).c_str());
  printf("  Serial number:    %s\n", field_text(info.SerialNumber, sizeof info.SerialNumber).c_str());
  printf("  Manufacturer:     %s\n", field_text(info.Manufacturer, sizeof info.Manufacturer).c_str());
  printf("  Issuer:           %s\n", field_text(info.Issuer, sizeof info.Issuer).c_str());
  printf("  Versions:         structure %u.%u, hardware %u.%u, firmware %u.%u\n", info.Version.major,
         info.Version.minor, info.HWVersion.major, info.HWVersion.minor, info.FirmwareVersion.major,
         info.FirmwareVersion.minor);
  printf("  Algorithms:       symmetric 0x%08X, asymmetric 0x%08X, hash 0x%08X\n", info.AlgSymCap,
         info.AlgAsymCap, info.AlgHashCap);
  printf("  Device auth:      0x%08X\n", info.DevAuthAlgId);
  printf("  Space:            %u bytes free of %u\n", info.FreeSpace, info.TotalSpace);
  printf("  Largest data:     %u bytes (SM2: %u)\n", info.MaxBufferSize, info.MaxECCBufferSize);
  return exit_ok;
}

int run_random(skf_library& skf, const invocation& call) {
  unsigned long count = 0;
  if (call.args.size() != 1 || !parse_number(call.args[0], 1, 1 << 20, count)) {
    fprintf(stderr, "skftool: random takes a byte count from 1 to 1048576\n");
    return exit_usage;
  }
  if (!has_entry(reinterpret_cast<void*>(skf.GenRandom), "SKF_GenRandom")) return exit_no_library;
  connection token(skf, call.device);
  if (token.status() != exit_ok) return token.status();
  std::vector<uint8_t> bytes(count);
  const ULONG code = skf.GenRandom(token.device(), bytes.data(), static_cast<ULONG>(count));
  if (code != SAR_OK) return fail("SKF_GenRandom", code);
  printf("%s\n", to_hex(bytes.data(), bytes.size()).c_str());
  return exit_ok;
}

int run_set_label(skf_library& skf, const invocation& call) {
  if (call.args.size() != 1) {
    fprintf(stderr, "skftool: set-label takes one label (at most 31 characters)\n");
    return exit_usage;
  }
  if (!has_entry(reinterpret_cast<void*>(skf.SetLabel), "SKF_SetLabel")) return exit_no_library;
  connection token(skf, call.device);
  if (token.status() != exit_ok) return token.status();
  std::string label = call.args[0];
  const ULONG code = skf.SetLabel(token.device(), label.data());
  if (code != SAR_OK) return fail("SKF_SetLabel", code);
  printf("Label of %s set to \"%s\".\n", token.name().c_str(), label.c_str());
  return exit_ok;
}

int run_transmit(skf_library& skf, const invocation& call) {
  std::string joined;
  for (const auto& a : call.args) joined += a;
  const auto command_bytes = from_hex(joined);
  if (call.args.empty() || !command_bytes || command_bytes->size() < 4) {
    fprintf(stderr, "skftool: transmit takes a command in hex, at least CLA INS P1 P2\n");
    return exit_usage;
  }
  if (!has_entry(reinterpret_cast<void*>(skf.Transmit), "SKF_Transmit")) return exit_no_library;
  connection token(skf, call.device);
  if (token.status() != exit_ok) return token.status();
  std::vector<uint8_t> command = *command_bytes;
  std::vector<uint8_t> answer(4096);
  ULONG length = static_cast<ULONG>(answer.size());
  const ULONG code =
      skf.Transmit(token.device(), command.data(), static_cast<ULONG>(command.size()), answer.data(), &length);
  if (code != SAR_OK) return fail("SKF_Transmit", code);
  if (length < 2 || length > answer.size()) {
    fprintf(stderr, "skftool: the answer of %u bytes has no status word\n", length);
    return exit_skf_error;
  }
  printf("Data: %s\n", length > 2 ? to_hex(answer.data(), length - 2).c_str() : "(none)");
  printf("SW:   %s\n", to_hex(answer.data() + length - 2, 2).c_str());
  return exit_ok;
}

// Cancels the library's wait on SIGINT or SIGTERM, or after `seconds`.
class wait_canceller {
public:
  wait_canceller(skf_library& skf, unsigned long seconds) : skf_(skf), seconds_(seconds) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    thread_ = std::thread([this] { watch(); });
  }
  ~wait_canceller() {
    done_ = true;
    thread_.join();
    pthread_sigmask(SIG_UNBLOCK, &signals_, nullptr);
  }
  bool fired() const { return fired_; }

private:
  void watch() {
    const auto start = std::chrono::steady_clock::now();
    const struct timespec tick = {0, 100 * 1000 * 1000};
    while (!done_) {
      const bool signalled = sigtimedwait(&signals_, nullptr, &tick) > 0;
      const bool expired = seconds_ > 0 && std::chrono::steady_clock::now() - start >= std::chrono::seconds(seconds_);
      if ((signalled || expired) && !fired_) {
        fired_ = true;
        skf_.CancelWaitForDevEvent();
      }
    }
  }

  skf_library& skf_;
  unsigned long seconds_;
  sigset_t signals_;
  std::atomic<bool> done_{false};
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

int run_wait(skf_library& skf, const invocation& call) {
  unsigned long events = 0, seconds = 0;
  for (size_t i = 0; i < call.args.size(); ++i) {
    const std::string& a = call.args[i];
    const bool has_value = i + 1 < call.args.size();
    if (a == "--events" && has_value && parse_number(call.args[i + 1], 1, 1000000, events)) {
      ++i;
    } else if (a == "--seconds" && has_value && parse_number(call.args[i + 1], 1, 86400, seconds)) {
      ++i;
    } else {
      fprintf(stderr, "skftool: wait takes --events N and --seconds S\n");
      return exit_usage;
    }
  }
  if (!has_entry(reinterpret_cast<void*>(skf.WaitForDevEvent), "SKF_WaitForDevEvent") ||
      !has_entry(reinterpret_cast<void*>(skf.CancelWaitForDevEvent), "SKF_CancelWaitForDevEvent"))
    return exit_no_library;

  wait_canceller canceller(skf, seconds);
  printf("Waiting for tokens to be inserted or removed%s...\n", seconds ? "" : " (Ctrl-C ends)");
  fflush(stdout);
  for (unsigned long seen = 0; events == 0 || seen < events;) {
    char names[1024];
    ULONG length = sizeof names;
    ULONG event = 0;
    const ULONG code = skf.WaitForDevEvent(names, &length, &event);
    if (code == SAR_NOT_EVENTERR) {
      printf("%s\n", canceller.fired() ? "Stopped waiting." : "The wait was cancelled.");
      return exit_ok;
    }
    if (code != SAR_OK) return fail("SKF_WaitForDevEvent", code);
    if (event == DEV_EVENT_NONE) continue;
    for (const auto& name : split_name_list(names, std::min<size_t>(length, sizeof names)))
      printf("%s: %s\n", event == DEV_EVENT_ARRIVAL ? "Inserted" : "Removed", name.c_str());
    fflush(stdout);
    ++seen;
  }
  return exit_ok;
}

}  // namespace

const std::vector<command>& commands() {
  static const std::vector<command> table = {
      {"list", "", "list the tokens present", run_list},
      {"info", "", "show a token's device information", run_info},
      {"random", "COUNT", "print COUNT random bytes from the token, in hex", run_random},
      {"set-label", "LABEL", "set the token's label (at most 31 characters)", run_set_label},
      {"transmit", "HEX", "send a raw command unit; prints the answer and its status word", run_transmit},
      {"wait", "[--events N] [--seconds S]", "report tokens being inserted and removed", run_wait},
  };
  return table;
}

}  // namespace skftool
