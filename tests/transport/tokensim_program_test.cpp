// The tokensim program as users run it: plugged from the command line,
// found by discovery, unplugged by a second invocation.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "temp_dir.h"
#include "transport/device_access.h"
#include "transport/device_manager.h"
#include "transport/device_winhid.h"

namespace veltrakey::testing {
namespace {

pid_t spawn(const std::vector<std::string>& args) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int wait_exit(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool wait_for(const std::function<bool()>& condition) {
  for (int i = 0; i < 100; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

TEST(TokensimProgram, PlugExchangeUnplugFromTheCommandLine) {
  temp_dir root, sys;
  const std::string bus = root.path() + "/bus";
  const std::string sock = bus + "/hid#vid_7c31&pid_c3d4#P1";
  const pid_t server = spawn({TOKENSIM_PATH, "--bus", bus, "--plug", "long:P1"});
  ASSERT_GT(server, 0);
  ASSERT_TRUE(wait_for([&] { return access(sock.c_str(), F_OK) == 0; }));
  struct stat st {};
  ASSERT_EQ(stat(bus.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  setenv("VELTRAKEY_VBUS", bus.c_str(), 1);
  device_manager manager;
  manager.set_sysfs_root(sys.path());
  device_access devices(manager);
  ASSERT_EQ(devices.refresh(nullptr), 1);
  device_base* d = devices.first(device_state_new);
  ASSERT_NE(d, nullptr);
  EXPECT_NE(dynamic_cast<device_winhid*>(d), nullptr);
  ASSERT_EQ(devices.open(d), 0);
  // The device information command; the token answers with data and 90 00.
  const uint8_t command[] = {0x80, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
  uint8_t answer[2048];
  size_t length = sizeof(answer);
  ASSERT_EQ(devices.transmit_raw(d, command, sizeof(command), answer, &length), 0);
  ASSERT_GT(length, 2u);
  EXPECT_EQ(answer[length - 2], 0x90);
  EXPECT_EQ(answer[length - 1], 0x00);

  EXPECT_EQ(wait_exit(spawn({TOKENSIM_PATH, "--bus", bus, "unplug", "P1"})), 0);
  EXPECT_EQ(devices.refresh(nullptr), 0);
  EXPECT_EQ(manager.device_count(), 0);
  EXPECT_EQ(wait_exit(spawn({TOKENSIM_PATH, "--bus", bus, "unplug", "P1"})), 1);

  kill(server, SIGTERM);
  EXPECT_EQ(wait_exit(server), 0);
  unsetenv("VELTRAKEY_VBUS");
}

TEST(TokensimProgram, RefusesABusOthersMayWrite) {
  temp_dir root;
  const std::string bus = root.path() + "/open-bus";
  ASSERT_EQ(mkdir(bus.c_str(), 0777), 0);
  chmod(bus.c_str(), 0777);
  EXPECT_EQ(wait_exit(spawn({TOKENSIM_PATH, "--bus", bus, "--plug", "hs:X"})), 1);
  EXPECT_EQ(access((bus + "/hid#vid_7c31&pid_c3d4#X").c_str(), F_OK), -1);
}

}  // namespace
}  // namespace veltrakey::testing
