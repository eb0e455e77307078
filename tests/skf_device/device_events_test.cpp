#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "device_fixture.h"

namespace skf_test {
namespace {

using namespace std::chrono_literals;

struct event_result {
  ULONG code;
  ULONG event;
  ULONG length;
  std::string names;
};

class EventTest : public DeviceTest {
protected:
  std::future<event_result> wait_async(ULONG capacity = 256) {
    return std::async(std::launch::async, [this, capacity] {
      std::vector<char> names(256, 0);
      event_result r{};
      r.length = capacity;
      r.code = skf->SKF_WaitForDevEvent(names.data(), &r.length, &r.event);
      r.names.assign(names.data(), std::min<size_t>(r.length, names.size()));
      return r;
    });
  }
  // Ends a wait a failing test left behind.
  event_result get(std::future<event_result>& pending) {
    if (pending.wait_for(20s) != std::future_status::ready) {
      ADD_FAILURE() << "the wait did not end";
      skf->SKF_CancelWaitForDevEvent();
    }
    return pending.get();
  }
};

TEST_F(EventTest, PlugAndUnplugAreReportedByName) {
  auto pending = wait_async();
  std::this_thread::sleep_for(300ms);
  bus->plug("SN00001");
  event_result plugged = get(pending);
  ASSERT_EQ(plugged.code, ULONG{SAR_OK});
  EXPECT_EQ(plugged.event, ULONG{DEV_EVENT_ARRIVAL});
  EXPECT_EQ(plugged.names, std::string("SN00001\0\0", 9));

  pending = wait_async();
  std::this_thread::sleep_for(300ms);
  bus->unplug("SN00001");
  event_result unplugged = get(pending);
  ASSERT_EQ(unplugged.code, ULONG{SAR_OK});
  EXPECT_EQ(unplugged.event, ULONG{DEV_EVENT_REMOVAL});
  EXPECT_EQ(unplugged.names, std::string("SN00001\0\0", 9));
}

TEST_F(EventTest, ShortLengthGetsTheListLength) {
  auto pending = wait_async(4);
  std::this_thread::sleep_for(300ms);
  bus->plug("SN00001");
  event_result r = get(pending);
  EXPECT_EQ(r.code, ULONG{SAR_BUFFER_TOO_SMALL});
  EXPECT_EQ(r.length, 9u);
}

TEST_F(EventTest, CancelFromAnotherThread) {
  auto pending = wait_async();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(skf->SKF_CancelWaitForDevEvent(), ULONG{SAR_OK});
  event_result r = get(pending);
  EXPECT_EQ(r.code, ULONG{SAR_NOT_EVENTERR});
}

TEST_F(EventTest, TheWaitDoesNotHoldTheLibraryLock) {
  bus->plug("SN00001");
  auto pending = wait_async();
  std::this_thread::sleep_for(300ms);
  // Another thread's calls complete while the wait blocks.
  auto other = std::async(std::launch::async, [this] {
    DEVHANDLE h = nullptr;
    char name[] = "SN00001";
    ULONG rc = skf->SKF_ConnectDev(name, &h);
    BYTE bytes[8];
    if (rc == SAR_OK) rc = skf->SKF_GenRandom(h, bytes, sizeof bytes);
    return rc;
  });
  ASSERT_EQ(other.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(other.get(), ULONG{SAR_OK});
  EXPECT_EQ(pending.wait_for(0s), std::future_status::timeout);
  skf->SKF_CancelWaitForDevEvent();
  EXPECT_EQ(get(pending).code, ULONG{SAR_NOT_EVENTERR});
}

}  // namespace
}  // namespace skf_test
