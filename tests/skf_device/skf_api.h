#pragma once
// The SKF library as applications see it: loaded with dlopen, entry points
// bound by name.
#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "skf.h"

namespace skf_test {

#define SKF_ENTRY(name) decltype(&::name) name = bind<decltype(&::name)>(#name)

class skf_api {
public:
  skf_api() : handle_(open()) {}
  skf_api(const skf_api&) = delete;
  skf_api& operator=(const skf_api&) = delete;
  ~skf_api() { dlclose(handle_); }

private:
  static void* open() {
    void* h = dlopen(SKF_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!h) throw std::runtime_error(std::string("dlopen: ") + dlerror());
    return h;
  }
  template <class F>
  F bind(const char* name) {
    void* f = dlsym(handle_, name);
    if (!f) throw std::runtime_error(std::string("missing export ") + name);
    return reinterpret_cast<F>(f);
  }
  void* handle_;

public:
  SKF_ENTRY(SKF_EnumDev);
  SKF_ENTRY(SKF_ConnectDev);
  SKF_ENTRY(SKF_DisConnectDev);
  SKF_ENTRY(SKF_GetDevState);
  SKF_ENTRY(SKF_GetDevInfo);
  SKF_ENTRY(SKF_SetLabel);
  SKF_ENTRY(SKF_LockDev);
  SKF_ENTRY(SKF_UnlockDev);
  SKF_ENTRY(SKF_Transmit);
  SKF_ENTRY(SKF_DevAuth);
  SKF_ENTRY(SKF_ChangeDevAuthKey);
  SKF_ENTRY(SKF_GenRandom);
  SKF_ENTRY(SKF_WaitForDevEvent);
  SKF_ENTRY(SKF_CancelWaitForDevEvent);
  SKF_ENTRY(XKF_GetRawHWSN);
  SKF_ENTRY(XKF_GetDeviceCaps);
  SKF_ENTRY(XKF_WriteOemInfo);
  SKF_ENTRY(XKF_SetEnumDeviceString);
  SKF_ENTRY(XKF_AddConnectedDev);
};

#undef SKF_ENTRY

}  // namespace skf_test
