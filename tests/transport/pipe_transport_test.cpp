// Bytes of the I/O-service messages, against a scripted service.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <thread>

#include "platform/pipe_client.h"
#include "platform/private_directory.h"
#include "temp_dir.h"
#include "transport/device_winrpc.h"
#include "transport/pipe_message.h"
#include "transport/winrpc_discover.h"

namespace veltrakey::testing {
namespace {

using bytes = std::vector<uint8_t>;

// Answers each request with whatever `reply` makes of it, recording requests.
class scripted_service {
public:
  explicit scripted_service(std::function<bytes(const bytes&)> reply) : reply_(std::move(reply)) {
    path_ = dir_.path() + "/svc";
    setenv("VELKON_IOSVR", path_.c_str(), 1);
    fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path_.c_str());
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    listen(fd_, 4);
    thread_ = std::thread([this] { serve(); });
  }
  ~scripted_service() {
    stop_ = true;
    thread_.join();
    close(fd_);
    unsetenv("VELKON_IOSVR");
  }
  std::vector<bytes> requests;

private:
  void serve() {
    while (!stop_) {
      pollfd p {fd_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      int c = accept(fd_, nullptr, nullptr);
      bytes request(pipe::message_length);
      size_t got = 0;
      while (got < request.size()) {
        ssize_t n = recv(c, request.data() + got, request.size() - got, 0);
        if (n <= 0) break;
        got += size_t(n);
      }
      requests.push_back(request);
      const bytes answer = reply_(request);
      send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
      close(c);
    }
  }
  temp_dir dir_;
  std::string path_;
  int fd_ = -1;
  std::atomic<bool> stop_ {false};
  std::function<bytes(const bytes&)> reply_;
  std::thread thread_;
};

TEST(ServicePipe, OpenStoresTheAnsweredHandleAndCloseSendsIt) {
  scripted_service service([](const bytes& request) {
    bytes answer = request;
    pipe::put32(&answer[pipe::result_offset], 0);
    pipe::put32(&answer[pipe::open_handle_offset], 0x12345678);
    return answer;
  });
  const std::string path = "usbstor#disk&ven_velkon&prod_tk5100#sn";
  {
    device_winrpc device(path);
    ASSERT_EQ(device.open(), 0);
    EXPECT_EQ(device.service_handle(), 0x12345678);
    ASSERT_EQ(service.requests.size(), 1u);
    const bytes& open = service.requests[0];
    EXPECT_EQ(bytes(open.begin(), open.begin() + 4), (bytes{'q', 'z', 'r', 'v'}));
    EXPECT_EQ(pipe::get32(&open[pipe::code_offset]), 1001u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&open[16])), path);
    EXPECT_EQ(device.close(), 0);
    EXPECT_EQ(device.service_handle(), -1);
    EXPECT_EQ(device.close(), 0);  // no handle, no request
  }
  ASSERT_EQ(service.requests.size(), 2u);
  EXPECT_EQ(pipe::get32(&service.requests[1][pipe::code_offset]), 1002u);
  EXPECT_EQ(pipe::get32(&service.requests[1][pipe::handle_offset]), 0x12345678u);
}

TEST(ServicePipe, ScanCopiesAtMostTheEightPathsAnAnswerHolds) {
  scripted_service service([](const bytes& request) {
    bytes answer = request;
    pipe::put32(&answer[pipe::result_offset], 12);  // claims more than fit
    for (int i = 0; i < 8; ++i) {
      const std::string p = "usbstor#tk5100#" + std::to_string(i);
      std::memcpy(&answer[48 + 256 * i], p.data(), p.size());
    }
    return answer;
  });
  winrpc_discover discover;
  std::vector<std::string> paths = {"earlier"};
  EXPECT_EQ(discover.scan("tk5100", &paths), 8);
  ASSERT_EQ(paths.size(), 9u);
  EXPECT_EQ(paths[8], "usbstor#tk5100#7");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&service.requests[0][16])), "tk5100");
}

TEST(ServicePipe, AnswerLongerThanTheCallerBufferIsRefused) {
  scripted_service service([](const bytes& request) {
    bytes answer = request;
    pipe::put32(&answer[pipe::result_offset], 0);
    pipe::put32(&answer[pipe::length_offset], 100);
    return answer;
  });
  device_winrpc device("usbstor#x");
  uint8_t buffer[16];
  size_t length = sizeof(buffer);
  EXPECT_EQ(device.receive_response(buffer, &length), 3);
  EXPECT_EQ(length, 0u);
}

TEST(ServicePipe, ServiceInADirectoryOthersMayWriteIsNotTrusted) {
  scripted_service service([](const bytes& request) { return request; });
  const std::string dir = parent_directory(pipe_service_path());
  chmod(dir.c_str(), 0733);
  std::vector<std::string> paths;
  EXPECT_EQ(winrpc_discover().scan("tk5100", &paths), 0);
  EXPECT_TRUE(service.requests.empty());
  chmod(dir.c_str(), 0700);
}

TEST(ServicePipe, UnreachableServiceFailsEveryOperation) {
  temp_dir dir;
  setenv("VELKON_IOSVR", (dir.path() + "/none").c_str(), 1);
  device_winrpc device("usbstor#x");
  EXPECT_EQ(device.open(), 1);
  const uint8_t command[3] = {1, 2, 3};
  EXPECT_EQ(device.send_command(command, 3), 1);
  uint8_t buffer[16];
  size_t length = sizeof(buffer);
  EXPECT_EQ(device.transceive(command, 3, buffer, &length), 1);
  EXPECT_NE(device.probe(), 0);
  std::vector<std::string> paths;
  EXPECT_EQ(winrpc_discover().scan("tk5100", &paths), 0);
  unsetenv("VELKON_IOSVR");
}

}  // namespace
}  // namespace veltrakey::testing
