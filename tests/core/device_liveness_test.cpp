#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include "core/handles.h"
#include "core/library_state.h"

namespace veltrakey {
namespace {

// A transport object in the library's manager, made from a descriptor.
class LiveTransport : public ::testing::Test {
protected:
  void SetUp() override {
    fd_ = open("/dev/null", O_RDWR | O_CLOEXEC);
    transport_ = token_manager.add_connected(path_, fd_);
    ASSERT_NE(transport_, nullptr);
  }
  void TearDown() override {
    token_manager.remove_device(transport_);
    device_list.delete_all();
    close(fd_);
  }
  gm_sc_dev* connected_device(const std::string& recorded_path) {
    auto* device = new gm_sc_dev("token");
    device->transport = transport_;
    device->transport_path = recorded_path;
    device_list.append(device);
    return device;
  }

  const std::string path_ = "hid#vid_7c31&pid_c3d4#LIVE01";
  int fd_ = -1;
  device_base* transport_ = nullptr;
};

TEST_F(LiveTransport, KeptWhileTheManagerHoldsItForTheSamePath) {
  gm_sc_dev* device = connected_device(path_);
  ASSERT_EQ(find_device(device->as_handle()), device);
  EXPECT_EQ(device->transport, transport_);
}

TEST_F(LiveTransport, DroppedWhenTheObjectStandsForAnotherPath) {
  gm_sc_dev* device = connected_device("hid#vid_7c31&pid_c3d4#OTHER");
  auto* app = new gm_sc_app("app", 1);
  device->applications.append(app);
  EXPECT_EQ(find_application(app->as_handle()).device, device);
  EXPECT_EQ(device->transport, nullptr);
}

TEST_F(LiveTransport, DroppedWhenTheManagerLetItGo) {
  gm_sc_dev* device = connected_device(path_);
  token_manager.remove_device(transport_);
  transport_ = nullptr;
  ASSERT_EQ(find_device(device->as_handle()), device);
  EXPECT_EQ(device->transport, nullptr);
}

}  // namespace
}  // namespace veltrakey
