// A device the caller opened itself joins the library through its descriptor.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "device_fixture.h"

namespace skf_test {
namespace {

int connect_to_bus(const std::string& path) {
  int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return -1;
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

TEST_F(DeviceTest, AdoptsAnOpenedDevice) {
  bus->plug("SN00001");
  const std::string name = bus->path_of("SN00001");
  const int fd = connect_to_bus(bus->directory() + "/" + name);
  ASSERT_GE(fd, 0);
  std::string path = name;
  DEVHANDLE h = nullptr;
  ASSERT_EQ(skf->XKF_AddConnectedDev(path.data(), reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd)), &h),
            ULONG{SAR_OK});
  DEVINFO info;
  ASSERT_EQ(skf->SKF_GetDevInfo(h, &info), ULONG{SAR_OK});
  EXPECT_STREQ(info.SerialNumber, "SN00001");
  EXPECT_EQ(skf->SKF_DisConnectDev(h), ULONG{SAR_OK});
  close(fd);

  EXPECT_EQ(skf->XKF_AddConnectedDev(nullptr, nullptr, &h), ULONG{SAR_INVALIDPARAMERR});
  EXPECT_EQ(skf->XKF_AddConnectedDev(path.data(), reinterpret_cast<HANDLE>(intptr_t{-1}), &h),
            ULONG{SAR_INVALIDPARAMERR});
}

}  // namespace
}  // namespace skf_test
