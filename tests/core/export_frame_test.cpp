#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "core/export_frame.h"
#include "core/library_config.h"
#include "lock_dir.h"

namespace veltrakey {
namespace {

TEST(ExportFrame, NoExceptionEscapes) {
  testing::private_lock_dir();
  EXPECT_EQ(locked_export([]() -> ULONG { throw std::runtime_error("x"); }), ULONG{SAR_FAIL});
  EXPECT_EQ(locked_export([]() -> ULONG { throw std::bad_alloc(); }), ULONG{SAR_MEMORYERR});
  EXPECT_EQ(guarded_export([]() -> ULONG { return 0x6A85; }), 0x6A85u);
}

TEST(ExportFrame, BodyRunsUnderTheLibraryLockAndReleasesIt) {
  testing::private_lock_dir();
  bool held_inside = false;
  locked_export([&]() -> ULONG {
    held_inside = library_mutex.held_by_this_thread();
    // An export calling another export does not block itself.
    return locked_export([] { return ULONG{SAR_OK}; });
  });
  EXPECT_TRUE(held_inside);
  EXPECT_FALSE(library_mutex.held_by_this_thread());
  EXPECT_EQ(library_mutex.name(), library_lock_name);
}

TEST(SizedOutput, FollowsTheSizeQueryConvention) {
  const uint8_t result[5] = {1, 2, 3, 4, 5};
  ULONG length = 0;
  EXPECT_EQ(copy_sized_output(result, nullptr, &length), ULONG{SAR_OK});
  EXPECT_EQ(length, 5u);

  uint8_t out[8] = {};
  length = 4;
  EXPECT_EQ(copy_sized_output(result, out, &length), ULONG{SAR_BUFFER_TOO_SMALL});
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(out[0], 0) << "nothing copied into a short buffer";

  length = sizeof out;
  EXPECT_EQ(copy_sized_output(result, out, &length), ULONG{SAR_OK});
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(out[4], 5);

  EXPECT_EQ(copy_sized_output(result, out, nullptr), ULONG{SAR_INVALIDPARAMERR});
}

TEST(LibraryConfig, LoadTimeDefaultsAndReplacement) {
  EXPECT_EQ(enum_device_string(), "tk5100,vid_7c31&pid_a1b2,vid_7c31&pid_c3d4");
  EXPECT_EQ(oem_id_list(), "ORBELMANTIC");

  char filter[] = "a,b,c";
  char empty[] = "";
  EXPECT_EQ(XKF_SetEnumDeviceString(filter, empty), ULONG{SAR_OK});
  EXPECT_EQ(enum_device_string(), "a,b,c");
  EXPECT_EQ(oem_id_list(), "ORBELMANTIC") << "an empty argument keeps the setting";

  std::string too_long(65, 'X');
  EXPECT_EQ(XKF_SetEnumDeviceString(nullptr, too_long.data()), ULONG{SAR_INVALIDPARAMERR});
  EXPECT_EQ(oem_id_list(), "ORBELMANTIC");
  std::string longest(64, 'X');
  EXPECT_EQ(XKF_SetEnumDeviceString(nullptr, longest.data()), ULONG{SAR_OK});
  EXPECT_EQ(oem_id_list(), longest);

  set_enum_device_string(default_enum_device_string);
  set_oem_id_list(default_oem_id_list);
}

}  // namespace
}  // namespace veltrakey
