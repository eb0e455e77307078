// Discovery against fixture sysfs trees and bus directories, and the
// manager's bookkeeping across scans.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/hid_report_descriptor.h"
#include "platform/sysfs_discovery.h"
#include "platform/vbus.h"
#include "temp_dir.h"
#include "transport/device_access.h"
#include "transport/device_manager.h"
#include "transport/transport_choice.h"

namespace veltrakey::testing {
namespace {

void add_hidraw(const temp_dir& sys, const std::string& node, const std::string& hid_id) {
  sys.write("class/hidraw/" + node + "/device/uevent", "DRIVER=hid-generic\nHID_ID=" + hid_id + "\nHID_NAME=x\n");
}

void add_disk(const temp_dir& sys, const std::string& node, const std::string& vendor, const std::string& model) {
  sys.write("block/" + node + "/device/vendor", vendor + "\n");
  sys.write("block/" + node + "/device/model", model + "\n");
}

sandbox_answer not_sandboxed() { return {true, false}; }

struct manager_fixture {
  manager_fixture() {
    unsetenv("VELTRAKEY_VBUS");
    manager.set_sysfs_root(sys.path());
    manager.set_sandbox_query(not_sandboxed);
  }
  std::vector<std::string> scan(const std::string& filter) {
    std::vector<std::string> paths;
    manager.scan(filter, &paths);
    return paths;
  }
  temp_dir sys;
  device_manager manager;
};

TEST(SysfsDiscovery, ComposesPathsFromTheTree) {
  temp_dir sys;
  add_hidraw(sys, "hidraw3", "0003:00007C31:0000C3D4");
  add_hidraw(sys, "hidraw4", "garbage");
  add_disk(sys, "sdb", "VELKON  ", "TK5100 Token    ");
  EXPECT_EQ(sysfs_hid_paths(sys.path()), std::vector<std::string>{"hid#vid_7c31&pid_c3d4#/dev/hidraw3"});
  EXPECT_EQ(sysfs_disk_paths(sys.path()),
            std::vector<std::string>{"usbstor#disk&ven_velkon&prod_tk5100_token#/dev/sdb"});
  EXPECT_TRUE(sysfs_hid_paths(sys.path() + "/missing").empty());
}

TEST(DeviceManager, DefaultFilterScansHidByThirdFieldOnly) {
  manager_fixture f;
  add_hidraw(f.sys, "hidraw0", "0003:00007C31:0000C3D4");
  add_hidraw(f.sys, "hidraw1", "0003:00007C31:0000A1B2");  // second field only
  add_hidraw(f.sys, "hidraw2", "0003:00007C31:00000A1B");
  add_hidraw(f.sys, "hidraw3", "0003:00001111:00002222");
  EXPECT_EQ(f.scan(default_device_filter),
            (std::vector<std::string>{"hid#vid_7c31&pid_c3d4#/dev/hidraw0", "hid#vid_7c31&pid_0a1b#/dev/hidraw2"}));
  EXPECT_EQ(f.scan("tk5100,vid_7c31&pid_a1b2,vid_7c31&pid_c3d4"),
            std::vector<std::string>{"hid#vid_7c31&pid_c3d4#/dev/hidraw0"});
}

TEST(DeviceManager, FilterFields) {
  manager_fixture f;
  add_hidraw(f.sys, "hidraw0", "0003:00007C31:0000C3D4");
  add_disk(f.sys, "sda", "Velkon", "TK5100");
  add_disk(f.sys, "sdc", "Other", "Stick");
  const std::string token_disk = "usbstor#disk&ven_velkon&prod_tk5100#/dev/sda";
  struct filter_case {
    const char* filter;
    std::vector<std::string> expected;
  } cases[] = {
      {"tk5100", {}},                                   // no second field: nothing
      {"tk5100,vid_7c31&pid_c3d4", {token_disk}},       // two fields: disks only
      {",x,vid_7c31&pid_c3d4", {"hid#vid_7c31&pid_c3d4#/dev/hidraw0"}},
      {" \ttk5100, x ,\tvid_7c31&pid_c3d4", {"hid#vid_7c31&pid_c3d4#/dev/hidraw0", token_disk}},
      {"tk5100,x,", {token_disk}},
  };
  for (const auto& c : cases) EXPECT_EQ(f.scan(c.filter), c.expected) << c.filter;
}

TEST(DeviceManager, ScanStopsAt32Paths) {
  manager_fixture f;
  for (int i = 0; i < 40; ++i) add_hidraw(f.sys, "hidraw" + std::to_string(100 + i), "0003:00007C31:0000C3D4");
  EXPECT_EQ(f.scan(default_device_filter).size(), 32u);
}

TEST(DeviceManager, RefreshTracksPresence) {
  manager_fixture f;
  add_hidraw(f.sys, "hidraw0", "0003:00007C31:0000C3D4");
  add_hidraw(f.sys, "hidraw1", "0003:00007C31:0000E5F6");
  device_access access(f.manager);

  EXPECT_EQ(access.refresh(nullptr), 2);
  ASSERT_EQ(f.manager.device_count(), 2);
  for (const auto& d : f.manager.devices()) EXPECT_EQ(d->state(), device_state_new);
  device_base* first = f.manager.devices().front().get();

  // A second scan finding the same paths creates nothing new.
  EXPECT_EQ(access.refresh(nullptr), 2);
  EXPECT_EQ(f.manager.device_count(), 2);
  EXPECT_EQ(f.manager.devices().front().get(), first);
  EXPECT_EQ(first->state(), device_state_seen_again);

  // Unplugged: state 2 after the scan, deleted by purge.
  std::filesystem::remove_all(f.sys.path() + "/class/hidraw/hidraw1");
  add_hidraw(f.sys, "hidraw2", "0003:00007C31:00000A1B");
  int gone = 0, added = 0;
  EXPECT_EQ(f.manager.refresh(&gone, &added, default_device_filter), 2);
  EXPECT_EQ(gone, 1);
  EXPECT_EQ(added, 1);
  std::vector<int> states;
  for (const auto& d : f.manager.devices()) states.push_back(d->state());
  EXPECT_EQ(states, (std::vector<int>{device_state_seen_again, device_state_gone, device_state_new}));
  f.manager.purge();
  ASSERT_EQ(f.manager.device_count(), 2);
  EXPECT_EQ(std::string(f.manager.devices().back()->path()), "hid#vid_7c31&pid_0a1b#/dev/hidraw2");
}

TEST(DeviceAccess, WalksFindsAndRejectsUnknownObjects) {
  manager_fixture f;
  add_hidraw(f.sys, "hidraw0", "0003:00007C31:0000C3D4");
  add_disk(f.sys, "sda", "Velkon", "TK5100");
  device_access access(f.manager);
  ASSERT_EQ(access.refresh(nullptr), 2);

  device_base* hid = access.first(device_state_unknown);
  ASSERT_NE(hid, nullptr);
  EXPECT_EQ(access.kind(hid), device_kind_hid);
  device_base* disk = access.next(device_state_unknown);
  ASSERT_NE(disk, nullptr);
  EXPECT_EQ(access.kind(disk), device_kind_disk);
  EXPECT_EQ(access.next(device_state_unknown), nullptr);
  EXPECT_EQ(access.first(device_state_gone), nullptr);

  // The id is the Base64 SHA-1 of the path until renamed.
  EXPECT_EQ(std::string(access.id(hid)).size(), 28u);
  EXPECT_EQ(access.find_by_id(access.id(disk)), disk);
  EXPECT_EQ(access.set_id(disk, "SN0001"), 0);
  EXPECT_EQ(access.find_by_id("SN0001"), disk);

  // Removing the object under the cursor moves the cursor on first.
  EXPECT_EQ(access.first(device_state_unknown), hid);
  EXPECT_EQ(access.remove(hid), 0);
  EXPECT_EQ(access.remove(hid), 1);
  EXPECT_EQ(access.next(device_state_unknown), nullptr);
  EXPECT_EQ(access.state(hid), 1);
  EXPECT_EQ(access.open(hid), 1);
  device_base* none = nullptr;
  EXPECT_EQ(access.open_by_id("nobody", &none), 1);
  uint8_t buffer[8];
  size_t length = sizeof(buffer);
  EXPECT_EQ(access.transmit_raw(hid, buffer, 1, buffer, &length), 1);
}

TEST(DeviceManager, SandboxedProcessScansThroughTheService) {
  manager_fixture f;
  add_disk(f.sys, "sda", "Velkon", "TK5100");
  f.manager.set_sandbox_query([] { return sandbox_answer{true, true}; });
  // No service listens: the scan finds nothing instead of the local disk.
  setenv("VELKON_IOSVR", (f.sys.path() + "/no-service").c_str(), 1);
  f.manager.rpc_discoverer().set_pipe_timeout(200);
  EXPECT_TRUE(f.scan("tk5100,x").empty());
  EXPECT_EQ(f.manager.protected_mode(), 1);
  unsetenv("VELKON_IOSVR");
}

TEST(DeviceManager, AddConnectedKeepsStateUnknown) {
  manager_fixture f;
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds), 0);
  device_base* hid = f.manager.add_connected("hid#vid_7c31&pid_c3d4#/dev/hidraw9", fds[0]);
  EXPECT_EQ(hid->state(), device_state_unknown);
  EXPECT_EQ(hid->kind(), device_kind_hid);
  EXPECT_EQ(f.manager.remove_device(hid), 0);
  // The caller's HID descriptor stays open.
  EXPECT_NE(fcntl(fds[0], F_GETFD), -1);
  device_base* disk = f.manager.add_connected("usbstor#disk&ven_v&prod_tk5100#/dev/sg9", fds[1]);
  EXPECT_EQ(disk->kind(), device_kind_disk);
  EXPECT_EQ(f.manager.remove_device(disk), 0);
  // The SCSI object owns its descriptor and has closed it.
  EXPECT_EQ(fcntl(fds[1], F_GETFD), -1);
  close(fds[0]);
}

TEST(TransportChoice, ByReportLengthsAndPath) {
  const hid_report_lengths long_reports {1093, 1093, 0}, feature {65, 65, 65}, plain {65, 65, 0};
  struct choice_case {
    const char* path;
    const hid_report_lengths* lengths;
    bool sandboxed;
    transport_kind expected;
  } cases[] = {
      {"hid#vid_7c31&pid_c3d4#/dev/hidraw0", &long_reports, false, transport_kind::winhid},
      {"hid#vid_7c31&pid_c3d4#/dev/hidraw0", &feature, false, transport_kind::winhid_ctrl_io},
      {"hid#vid_7c31&pid_c3d4#/dev/hidraw0", &plain, false, transport_kind::winhid_hs},
      {"hid#vid_7c31&pid_c3d4#/dev/hidraw0", nullptr, true, transport_kind::winhid_hs},
      {"usbstor#disk&ven_v&prod_tk5100#/dev/sg0", nullptr, false, transport_kind::winscsi},
      {"usbstor#disk&ven_v&prod_tk5100#/dev/sg0", nullptr, true, transport_kind::winrpc},
  };
  for (const auto& c : cases) EXPECT_EQ(choose_transport(c.path, c.lengths, c.sandboxed), c.expected) << c.path;
}

TEST(HidReportDescriptor, LengthsIncludeTheIdentifierByte) {
  // Vendor page; 64 input bytes, 64 output bytes, 64 feature bytes.
  const uint8_t descriptor[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x40,
                                0x09, 0x01, 0x81, 0x02, 0x09, 0x02, 0x91, 0x02, 0x09, 0x03, 0xB1,
                                0x02, 0x96, 0x44, 0x04, 0x09, 0x04, 0x91, 0x02, 0xC0};
  hid_report_lengths lengths;
  ASSERT_TRUE(parse_hid_report_lengths(descriptor, sizeof(descriptor), &lengths));
  EXPECT_EQ(lengths.input, 65u);
  EXPECT_EQ(lengths.output, 64u + 1092u + 1u);  // both outputs belong to report 0
  EXPECT_EQ(lengths.feature, 65u);
  const uint8_t truncated[] = {0x75, 0x08, 0x96, 0x44};
  EXPECT_FALSE(parse_hid_report_lengths(truncated, sizeof(truncated), &lengths));
}

TEST(VirtualBus, DirectoryMustBeOwnedAndNotWritableByOthers) {
  temp_dir bus;
  chmod(bus.path().c_str(), 0700);
  EXPECT_TRUE(vbus_directory_trusted(bus.path()));
  for (mode_t mode : {0777, 0770, 0702}) {
    chmod(bus.path().c_str(), mode);
    EXPECT_FALSE(vbus_directory_trusted(bus.path())) << std::oct << mode;
  }
  chmod(bus.path().c_str(), 0700);
  EXPECT_FALSE(vbus_directory_trusted(bus.path() + "/missing"));
  EXPECT_FALSE(vbus_directory_trusted(""));
  if (geteuid() != 0) { EXPECT_FALSE(vbus_directory_trusted("/")); }
}

TEST(VirtualBus, TokensMatchTheFilterInAnyCase) {
  manager_fixture f;
  temp_dir bus;
  chmod(bus.path().c_str(), 0700);
  auto plug = [&](const std::string& name) {
    int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    const std::string full = bus.path() + "/" + name;
    std::copy(full.begin(), full.end(), addr.sun_path);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    close(fd);
  };
  plug("hid#VID_7C31&Pid_C3d4#AB12");
  plug("hid#vid_7c31&pid_a1b2#CD34");
  plug("usbstor#disk&ven_velkon&prod_tk5100#ef56");
  bus.write("hid#vid_7c31&pid_c3d4#plainfile", "not a socket");
  setenv("VELTRAKEY_VBUS", bus.path().c_str(), 1);
  EXPECT_EQ(f.scan(default_device_filter),
            (std::vector<std::string>{"hid#VID_7C31&Pid_C3d4#AB12", "usbstor#disk&ven_velkon&prod_tk5100#ef56"}));
  chmod(bus.path().c_str(), 0777);
  EXPECT_TRUE(f.scan(default_device_filter).empty());
  chmod(bus.path().c_str(), 0700);
  unsetenv("VELTRAKEY_VBUS");
}

}  // namespace
}  // namespace veltrakey::testing
