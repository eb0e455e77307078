// Two processes share one token: the library lock keeps their frames apart,
// and a holder that dies does not block the other for ever.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "device_fixture.h"

namespace skf_test {
namespace {

using namespace std::chrono_literals;

// In a forked child: its own library instance, its own connection.
int child_loop(const char* serial, int rounds) {
  skf_api api;
  DEVHANDLE h = nullptr;
  std::string name = serial;
  if (api.SKF_ConnectDev(name.data(), &h) != SAR_OK) return 10;
  for (int i = 0; i < rounds; ++i) {
    BYTE bytes[300];
    DEVINFO info;
    if (api.SKF_GenRandom(h, bytes, sizeof bytes) != SAR_OK) return 11;
    if (api.SKF_GetDevInfo(h, &info) != SAR_OK) return 12;
    if (std::string(info.SerialNumber) != serial) return 13;
  }
  return 0;
}

int exit_code(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(DeviceTest, TwoProcessesNeverInterleaveFrames) {
  bus->plug("SN00001");
  skf.reset();  // each child loads the library afresh
  pid_t children[2];
  for (pid_t& child : children) {
    child = fork();
    if (child == 0) _exit(child_loop("SN00001", 40));
  }
  for (pid_t child : children) EXPECT_EQ(exit_code(child), 0);
}

TEST_F(DeviceTest, KilledLockHolderDoesNotBlockTheOther) {
  bus->plug("SN00001");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  skf.reset();
  pid_t holder = fork();
  if (holder == 0) {
    skf_api api;
    DEVHANDLE h = nullptr;
    char name[] = "SN00001";
    api.SKF_ConnectDev(name, &h);
    if (api.SKF_LockDev(h, 0xFFFFFFFF) != SAR_OK) _exit(1);
    char byte = 1;
    if (write(ready[1], &byte, 1) != 1) _exit(2);
    pause();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  skf = std::make_unique<skf_api>();
  DEVHANDLE h = nullptr;
  EXPECT_EQ(skf->SKF_LockDev(h, 100), ULONG{SAR_TIMEOUTERR}) << "the other process holds the lock";
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  char name[] = "SN00001";
  ASSERT_EQ(skf->SKF_ConnectDev(name, &h), ULONG{SAR_OK});
  BYTE bytes[8];
  EXPECT_EQ(skf->SKF_GenRandom(h, bytes, sizeof bytes), ULONG{SAR_OK});
  // The owner may nest its lock and release it pairwise.
  EXPECT_EQ(skf->SKF_LockDev(h, 1000), ULONG{SAR_OK});
  EXPECT_EQ(skf->SKF_GenRandom(h, bytes, sizeof bytes), ULONG{SAR_OK});
  EXPECT_EQ(skf->SKF_UnlockDev(h), ULONG{SAR_OK});
}

}  // namespace
}  // namespace skf_test
