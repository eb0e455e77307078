#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "core/mk_mutex.h"
#include "lock_dir.h"

namespace veltrakey {
namespace {

using namespace std::chrono_literals;

std::string unique_lock_name(const char* what) { return std::string("vk_test_") + what + "_" + std::to_string(getpid()); }

class LockTest : public ::testing::Test {
protected:
  void SetUp() override { testing::private_lock_dir(); }
};

// Forks a child that takes the lock, reports through a pipe, then runs
// `then`; returns the child's pid once it holds the lock.
template <class Then>
pid_t child_holding(const std::string& name, Then then) {
  int ready[2];
  EXPECT_EQ(pipe(ready), 0);
  pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    mk_mutex mutex;
    mutex.lock(name.c_str(), wait_forever);
    char byte = 1;
    if (write(ready[1], &byte, 1) != 1) _exit(3);
    then(mutex);
    _exit(0);
  }
  close(ready[1]);
  char byte = 0;
  EXPECT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  return pid;
}

int wait_exit_code(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(LockTest, TimeoutZeroNeitherOpensNorWaits) {
  mk_mutex mutex;
  const auto name = unique_lock_name("zero");
  EXPECT_FALSE(mutex.lock(name.c_str(), 0));
  EXPECT_EQ(mutex.name(), "");
  EXPECT_FALSE(mutex.held_by_this_thread());
  EXPECT_FALSE(std::filesystem::exists(testing::private_lock_dir() + "/" + name));
}

TEST_F(LockTest, OwnerReentersAndReleasesPairwise) {
  mk_mutex mutex;
  const auto name = unique_lock_name("reenter");
  ASSERT_TRUE(mutex.lock(name.c_str(), wait_forever));
  ASSERT_TRUE(mutex.lock(name.c_str(), 100));  // no wait for the owner
  mutex.unlock();
  std::atomic<bool> other_got_it{false};
  std::thread other([&] {
    other_got_it = mutex.lock(name.c_str(), 50);
    if (other_got_it) mutex.unlock();
  });
  other.join();
  EXPECT_FALSE(other_got_it) << "still held once by the owner";
  mutex.unlock();
  std::thread again([&] {
    other_got_it = mutex.lock(name.c_str(), 1000);
    if (other_got_it) mutex.unlock();
  });
  again.join();
  EXPECT_TRUE(other_got_it);
}

TEST_F(LockTest, UnlockByANonOwnerReleasesNothing) {
  mk_mutex mutex;
  const auto name = unique_lock_name("nonowner");
  ASSERT_TRUE(mutex.lock(name.c_str(), wait_forever));
  std::thread([&] { mutex.unlock(); }).join();
  EXPECT_TRUE(mutex.held_by_this_thread());
  mutex.unlock();
  EXPECT_FALSE(mutex.held_by_this_thread());
}

TEST_F(LockTest, SerialisesThreads) {
  mk_mutex mutex;
  const auto name = unique_lock_name("threads");
  int inside = 0, max_inside = 0, total = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        mk_auto_mutex guard(mutex, name.c_str());
        ++inside;
        max_inside = std::max(max_inside, inside);
        ++total;
        --inside;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(max_inside, 1);
  EXPECT_EQ(total, 800);
}

TEST_F(LockTest, SerialisesProcesses) {
  const auto name = unique_lock_name("processes");
  const auto marker = testing::private_lock_dir() + "/" + name + ".done";
  pid_t child = child_holding(name, [&](mk_mutex& mutex) {
    std::this_thread::sleep_for(300ms);
    FILE* f = fopen(marker.c_str(), "w");
    if (f) fclose(f);
    mutex.unlock();
  });
  mk_mutex mutex;
  EXPECT_FALSE(mutex.lock(name.c_str(), 50)) << "the child holds it";
  ASSERT_TRUE(mutex.lock(name.c_str(), wait_forever));
  EXPECT_TRUE(std::filesystem::exists(marker)) << "taken only after the child let go";
  mutex.unlock();
  EXPECT_EQ(wait_exit_code(child), 0);
}

TEST_F(LockTest, KilledHolderDoesNotBlockForEver) {
  const auto name = unique_lock_name("killed");
  pid_t child = child_holding(name, [](mk_mutex&) { pause(); });
  mk_mutex mutex;
  EXPECT_FALSE(mutex.lock(name.c_str(), 50));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(mutex.lock(name.c_str(), 5000));
  mutex.unlock();
}

TEST_F(LockTest, LockFileIsSharedByEveryLocalUser) {
  mk_mutex mutex;
  const auto name = unique_lock_name("mode");
  ASSERT_TRUE(mutex.lock(name.c_str(), wait_forever));
  mutex.unlock();
  auto perms = std::filesystem::status(testing::private_lock_dir() + "/" + name).permissions();
  EXPECT_EQ(perms & std::filesystem::perms::all, std::filesystem::perms(0666));
}

// A user who may not open the machine-wide lock file still gets a lock: the
// session-local one in a folder of its own. Needs root to act as another user.
TEST_F(LockTest, UserDeniedTheGlobalFileFallsBackToTheSessionLock) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to an unprivileged user";
  constexpr uid_t nobody = 65534;
  const auto name = unique_lock_name("denied");
  const auto global_file = testing::private_lock_dir() + "/" + name;
  FILE* f = fopen(global_file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  fclose(f);
  ASSERT_EQ(chmod(global_file.c_str(), 0600), 0);
  std::string runtime = (std::filesystem::temp_directory_path() / "vk-runtime-XXXXXX").string();
  ASSERT_NE(mkdtemp(runtime.data()), nullptr);
  ASSERT_EQ(chown(runtime.c_str(), nobody, nobody), 0);

  pid_t pid = fork();
  if (pid == 0) {
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(2);
    mk_mutex mutex;
    if (!mutex.lock(name.c_str(), 1000)) _exit(3);
    if (mutex.name() != fallback_lock_name) _exit(4);
    if (!std::filesystem::exists(runtime + "/" + fallback_lock_name)) _exit(5);
    mutex.unlock();
    _exit(0);
  }
  EXPECT_EQ(wait_exit_code(pid), 0) << "2 setuid, 3 no lock, 4 wrong name, 5 no session file";
  std::filesystem::remove_all(runtime);
}

TEST_F(LockTest, NameIsFixedByTheFirstUse) {
  mk_mutex mutex;
  mutex.set_name("first");
  mutex.set_name("second");
  EXPECT_EQ(mutex.name(), "first");
  ASSERT_TRUE(mutex.lock(unique_lock_name("ignored").c_str(), wait_forever));
  EXPECT_EQ(mutex.name(), "first");
  mutex.unlock();
  mutex.close();
  EXPECT_EQ(mutex.name(), "");
}

}  // namespace
}  // namespace veltrakey
