#include <gtest/gtest.h>

#include "core/handles.h"
#include "core/status_word.h"
#include "skf.h"

namespace {

using namespace veltrakey;

// A device with one application, one container, a key, a MAC and a digest,
// linked into the library's handle tree. No transport is attached, so the
// commands closing sends fail, which closing ignores.
class CloseHandle : public ::testing::Test {
protected:
  void SetUp() override {
    device = new gm_sc_dev("token");
    device_list.append(device);
    app = new gm_sc_app("bank", 1);
    device->applications.append(app);
    container = new gm_sc_cont("keys", 2, 1);
    app->containers.append(container);
    key = new gm_sc_key(3, 0x401, 2);
    container->session_keys.append(key);
    mac = new gm_sc_mac(4, 0x401, 2);
    container->macs.append(mac);
    digest = new gm_sc_digest(1);
    device->digests.append(digest);
  }
  void TearDown() override { device_list.remove_by_handle(device->handle_id()); }

  gm_sc_dev* device;
  gm_sc_app* app;
  gm_sc_cont* container;
  gm_sc_key* key;
  gm_sc_mac* mac;
  gm_sc_digest* digest;
};

TEST_F(CloseHandle, ClosesKeysMacsAndDigestsOnce) {
  EXPECT_EQ(SKF_CloseHandle(nullptr), SAR_INVALIDHANDLEERR);
  for (HANDLE h : {key->as_handle(), mac->as_handle(), digest->as_handle()}) {
    EXPECT_EQ(SKF_CloseHandle(h), SAR_OK);
    EXPECT_EQ(SKF_CloseHandle(h), SAR_INVALIDHANDLEERR);
  }
  EXPECT_EQ(container->session_keys.count(), 0u);
  EXPECT_EQ(container->macs.count(), 0u);
  EXPECT_EQ(device->digests.count(), 0u);
}

TEST_F(CloseHandle, TellsTheTokenOnlyAboutKeysItHolds) {
  // no transport is attached: an attempted command leaves 0x8003 behind
  last_sw = 0x9000;
  EXPECT_EQ(SKF_CloseHandle(digest->as_handle()), SAR_OK);
  EXPECT_EQ(last_sw, 0x9000);
  key->keep_on_token = true;
  EXPECT_EQ(SKF_CloseHandle(key->as_handle()), SAR_OK);
  EXPECT_EQ(last_sw, 0x9000);
  EXPECT_EQ(SKF_CloseHandle(mac->as_handle()), SAR_OK);
  EXPECT_EQ(last_sw, 0x8003);
}

TEST_F(CloseHandle, LeavesDevicesApplicationsAndContainersAlone) {
  for (HANDLE h : {device->as_handle(), app->as_handle(), container->as_handle()})
    EXPECT_EQ(SKF_CloseHandle(h), SAR_INVALIDHANDLEERR);
  EXPECT_EQ(device->applications.count(), 1u);
  EXPECT_EQ(app->containers.count(), 1u);
  EXPECT_EQ(container->session_keys.count(), 1u);
}

}  // namespace
