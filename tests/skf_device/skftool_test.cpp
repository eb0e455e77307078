// skftool as its users run it, against a virtual token.
#include <sys/wait.h>

#include <cstdio>
#include <regex>
#include <string>

#include "virtual_bus.h"
#include <gtest/gtest.h>

namespace skf_test {
namespace {

struct run_result {
  int exit_code;
  std::string output;  // standard output and error together
};

run_result skftool(const std::string& arguments) {
  const std::string command =
      std::string(SKFTOOL_PATH) + " --library " + SKF_LIBRARY_PATH + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  run_result result{-1, {}};
  if (!pipe) return result;
  char buffer[512];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(Skftool, WorksWithAToken) {
  virtual_bus bus;
  bus.plug("SN00042");

  run_result list = skftool("list");
  EXPECT_EQ(list.exit_code, 0) << list.output;
  EXPECT_NE(list.output.find("SN00042"), std::string::npos) << list.output;

  run_result label = skftool("set-label 'My token'");
  EXPECT_EQ(label.exit_code, 0) << label.output;
  run_result info = skftool("--device SN00042 info");
  EXPECT_EQ(info.exit_code, 0) << info.output;
  EXPECT_NE(info.output.find("Serial number:    SN00042"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("Label:            My token"), std::string::npos) << info.output;

  run_result random = skftool("random 16");
  EXPECT_EQ(random.exit_code, 0) << random.output;
  EXPECT_TRUE(std::regex_match(random.output, std::regex("[0-9A-F]{32}\n"))) << random.output;

  run_result transmit = skftool("transmit 80500000000008");
  EXPECT_EQ(transmit.exit_code, 0) << transmit.output;
  EXPECT_NE(transmit.output.find("SW:   9000"), std::string::npos) << transmit.output;

  run_result too_long = skftool("set-label " + std::string(32, 'x'));
  EXPECT_EQ(too_long.exit_code, 1) << too_long.output;
  EXPECT_NE(too_long.output.find("SAR_INVALIDPARAMERR"), std::string::npos) << too_long.output;
}

TEST(Skftool, ExitCodesForTheUsualFailures) {
  virtual_bus bus;  // empty
  EXPECT_EQ(skftool("list").exit_code, 4);
  EXPECT_EQ(skftool("info").exit_code, 4);
  EXPECT_EQ(skftool("random").exit_code, 2);
  EXPECT_EQ(skftool("random 0").exit_code, 2);
  EXPECT_EQ(skftool("transmit 8G").exit_code, 2);
  EXPECT_EQ(skftool("frobnicate").exit_code, 2);
  EXPECT_EQ(skftool("--help").exit_code, 0);
  const std::string no_library = std::string(SKFTOOL_PATH) + " --library /nonexistent/libnone.so list >/dev/null 2>&1";
  EXPECT_EQ(WEXITSTATUS(system(no_library.c_str())), 3);
}

TEST(Skftool, WaitStopsAfterItsTime) {
  virtual_bus bus;
  run_result wait = skftool("wait --seconds 1");
  EXPECT_EQ(wait.exit_code, 0) << wait.output;
  EXPECT_NE(wait.output.find("Stopped waiting."), std::string::npos) << wait.output;
}

}  // namespace
}  // namespace skf_test
