#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "token_client.h"

namespace {

using namespace test;
using tokensim::token_interpreter;

class TokenStateFile : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/tokensim-state-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    path_ = folder_ + "/token.state";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string folder_, path_;
};

// Serves commands from a pipe in a child process, so the test can kill it
// between two commands exactly as a crashed simulator would stop.
class token_process : public tokensim::command_handler {
public:
  explicit token_process(const std::string& path) {
    int to_child[2], from_child[2];
    if (pipe(to_child) != 0 || pipe(from_child) != 0) std::abort();
    pid_ = fork();
    if (pid_ == 0) {
      close(to_child[1]);
      close(from_child[0]);
      token_interpreter token(path);
      for (;;) {
        uint32_t n = 0;
        if (read(to_child[0], &n, 4) != 4) _exit(0);
        bytes unit(n);
        if (n && read(to_child[0], unit.data(), n) != static_cast<ssize_t>(n)) _exit(0);
        const bytes answer = token.handle(unit.data(), unit.size());
        const uint32_t m = static_cast<uint32_t>(answer.size());
        if (write(from_child[1], &m, 4) != 4 || write(from_child[1], answer.data(), m) != static_cast<ssize_t>(m))
          _exit(0);
      }
    }
    close(to_child[0]);
    close(from_child[1]);
    out_ = to_child[1];
    in_ = from_child[0];
  }
  ~token_process() override {
    kill_now();
    close(out_);
    close(in_);
  }
  void kill_now() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }
  std::vector<uint8_t> handle(const uint8_t* command, size_t length) override {
    const uint32_t n = static_cast<uint32_t>(length);
    if (write(out_, &n, 4) != 4 || write(out_, command, n) != static_cast<ssize_t>(n)) return {};
    uint32_t m = 0;
    if (read(in_, &m, 4) != 4) return {};
    bytes answer(m);
    size_t done = 0;
    while (done < m) {
      const ssize_t r = read(in_, answer.data() + done, m - done);
      if (r <= 0) return {};
      done += static_cast<size_t>(r);
    }
    return answer;
  }

private:
  pid_t pid_ = -1;
  int out_ = -1, in_ = -1;
};

TEST_F(TokenStateFile, KilledBetweenCommandsLosesNothingAcknowledged) {
  uint16_t app = 0;
  {
    token_process sim(path_);
    token_client host(sim);
    app = host.create_application("bank", "admin123", "user1234", 5);
    ASSERT_EQ(host.verify_pin(app, 1, "user1234").sw, 0x9000);
    ASSERT_EQ(host.verify_pin(app, 1, "oops").sw, 0x63C4);
    const uint16_t cont = host.create_container(app, "signing");
    ASSERT_EQ(host.send(cmd::set_label, {.data = text("renamed")}).sw, 0x9000);
    ASSERT_NE(cont, 0);
    sim.kill_now();  // no orderly shutdown
  }
  token_interpreter again(path_);
  ASSERT_TRUE(again.ready());
  token_client host(again);
  EXPECT_EQ(host.open_application("bank"), app);
  EXPECT_EQ(host.send(cmd::get_pin_info, {.p2 = 1, .data = be16(app)}).data, (bytes{5, 4, 1}));
  // a power cycle forgets the verification, not the objects
  EXPECT_EQ(host.send(cmd::open_container, {.data = cat({be16(app), text("signing")})}).sw, 0x9000);
  EXPECT_EQ(host.send(cmd::create_container, {.data = cat({be16(app), text("another")})}).sw, 0x6982);
  const reply info = host.send(cmd::get_dev_info);
  EXPECT_EQ(std::string(info.data.begin() + 132, info.data.begin() + 139), "renamed");
}

TEST_F(TokenStateFile, CorruptStateIsRefusedAndKept) {
  { token_interpreter first(path_); }
  std::filesystem::resize_file(path_, 20);
  token_interpreter broken(path_);
  EXPECT_FALSE(broken.ready());
  const bytes unit = {0x80, 0x04, 0, 0, 0, 0, 0};
  const bytes answer = broken.handle(unit.data(), unit.size());
  EXPECT_EQ(answer, (bytes{0x6F, 0x00}));
  EXPECT_EQ(std::filesystem::file_size(path_), 20u);
}

TEST_F(TokenStateFile, UnwritableStateUndoesTheChange) {
  token_interpreter token(path_);
  token_client host(token);
  const uint16_t app = host.create_application("bank", "admin123", "user1234");
  std::filesystem::remove_all(folder_);  // the next save cannot happen
  EXPECT_EQ(host.verify_pin(app, 1, "wrong").sw, 0x6581);
  std::filesystem::create_directory(folder_);
  EXPECT_EQ(host.send(cmd::get_pin_info, {.p2 = 1, .data = be16(app)}).data, (bytes{3, 3, 1}));
}

}  // namespace
