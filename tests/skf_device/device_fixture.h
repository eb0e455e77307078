#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skf_api.h"
#include "virtual_bus.h"

namespace skf_test {

// A bus (made first, so the library sees it) and the library.
class DeviceTest : public ::testing::Test {
protected:
  DeviceTest() : bus(std::make_unique<virtual_bus>()), skf(std::make_unique<skf_api>()) {}

  std::vector<std::string> enumerate() {
    ULONG size = 0;
    if (skf->SKF_EnumDev(TRUE, nullptr, &size) != SAR_OK) return {};
    std::vector<char> list(size);
    if (skf->SKF_EnumDev(TRUE, list.data(), &size) != SAR_OK) return {};
    std::vector<std::string> names;
    for (const char* p = list.data(); p < list.data() + size && *p; p += strlen(p) + 1) names.emplace_back(p);
    return names;
  }

  DEVHANDLE connect(const std::string& serial) {
    DEVHANDLE h = nullptr;
    std::string name = serial;
    EXPECT_EQ(skf->SKF_ConnectDev(name.data(), &h), ULONG{SAR_OK}) << serial;
    return h;
  }

  std::unique_ptr<virtual_bus> bus;
  std::unique_ptr<skf_api> skf;
};

}  // namespace skf_test
