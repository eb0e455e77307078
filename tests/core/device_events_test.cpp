#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "core/event_filter.h"
#include "platform/device_watch.h"

namespace veltrakey {
namespace {

using namespace std::chrono_literals;

constexpr char default_filter[] = "tk5100,vid_7c31&pid_a1b2,vid_7c31&pid_c3d4";

TEST(EventFilter, ClassifiesByTheFilterFields) {
  struct row {
    const char* filter;
    const char* name;
    device_event arrival;
    device_event removal;
  };
  const auto A = device_event::arrival, R = device_event::removal, N = device_event::none;
  const row rows[] = {
      // the HID field matches in any case, since names are lower-cased
      {default_filter, "HID#VID_7C31&PID_C3D4#/dev/hidraw3", A, R},
      {default_filter, "usbstor#disk&ven_x&prod_tk5100#/dev/sdb", A, R},
      {default_filter, "hid#vid_7c31&pid_a1b2#x", A, R},
      {default_filter, "hid#vid_1234&pid_5678#/dev/hidraw0", N, N},
      // entries of the second field count for arrival only
      {"disk,p1|p2,h1", "x-p2-x", A, N},
      {"disk,p1|p2,h1", "x-p1|p2-x", A, R},
      // entries of the HID field, up to the first empty one
      {"disk,sec,h1|h2", "x-h2", A, R},
      {"disk,sec,h1||h3", "x-h3", N, N},
      // a field of "*" accepts everything
      {"a,*,b", "anything", A, R},
      {"a,b,*", "anything", A, R},
      // fewer than three fields: nothing
      {"tk5100,vid_7c31", "tk5100", N, N},
      {"", "tk5100", N, N},
  };
  for (const row& r : rows) {
    EXPECT_EQ(classify_arrival(r.filter, r.name), r.arrival) << r.filter << " / " << r.name;
    EXPECT_EQ(classify_removal(r.filter, r.name), r.removal) << r.filter << " / " << r.name;
  }
}

TEST(EventFilter, LooksOnlyAtTheFirst256CharactersOfAName) {
  const std::string late = std::string(256, 'x') + "vid_7c31&pid_c3d4";
  EXPECT_EQ(classify_arrival(default_filter, late), device_event::none);
  EXPECT_EQ(classify_arrival(default_filter, late.substr(17)), device_event::arrival);
}

class DeviceWatch : public ::testing::Test {
protected:
  void SetUp() override {
    std::string templ = (std::filesystem::temp_directory_path() / "vk-vbus-XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    bus_ = templ;
    setenv("VELTRAKEY_VBUS", bus_.c_str(), 1);
    watch_ = platform::device_watch::create();
    ASSERT_NE(watch_, nullptr);
  }
  void TearDown() override {
    watch_.reset();
    unsetenv("VELTRAKEY_VBUS");
    std::filesystem::remove_all(bus_);
  }

  // wait() on another thread, so a broken watch fails the test instead of hanging it.
  std::optional<platform::device_notification> wait_briefly() {
    auto pending = std::async(std::launch::async, [this] { return watch_->wait(); });
    if (pending.wait_for(5s) != std::future_status::ready) {
      watch_->cancel();
      ADD_FAILURE() << "no notification";
    }
    return pending.get();
  }

  std::string bus_;
  std::unique_ptr<platform::device_watch> watch_;
};

TEST_F(DeviceWatch, PlugAndUnplugOnTheVirtualBus) {
  const std::string name = "hid#vid_7c31&pid_c3d4#SN0001";
  std::ofstream(bus_ + "/" + name).put('x');
  auto plugged = wait_briefly();
  ASSERT_TRUE(plugged);
  EXPECT_EQ(plugged->change, platform::device_change::arrival);
  EXPECT_EQ(plugged->name, name);

  std::filesystem::remove(bus_ + "/" + name);
  auto unplugged = wait_briefly();
  ASSERT_TRUE(unplugged);
  EXPECT_EQ(unplugged->change, platform::device_change::removal);
  EXPECT_EQ(unplugged->name, name);
}

TEST_F(DeviceWatch, CancelFromAnotherThreadWakesTheWait) {
  auto pending = std::async(std::launch::async, [this] { return watch_->wait(); });
  std::this_thread::sleep_for(50ms);
  watch_->cancel();
  ASSERT_EQ(pending.wait_for(5s), std::future_status::ready);
  EXPECT_FALSE(pending.get());
}

TEST_F(DeviceWatch, CancelBeforeTheWaitIsNotLost) {
  watch_->cancel();
  EXPECT_FALSE(wait_briefly());
}

}  // namespace
}  // namespace veltrakey
