#include "skf_library.h"

#include <dlfcn.h>

namespace skftool {

skf_library::skf_library(const std::string& path) : path_(path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    error_ = why ? why : "cannot load " + path;
    return;
  }
  bind(EnumDev, "SKF_EnumDev");
  bind(ConnectDev, "SKF_ConnectDev");
  bind(DisConnectDev, "SKF_DisConnectDev");
  bind(GetDevInfo, "SKF_GetDevInfo");
  bind(SetLabel, "SKF_SetLabel");
  bind(GenRandom, "SKF_GenRandom");
  bind(Transmit, "SKF_Transmit");
  bind(WaitForDevEvent, "SKF_WaitForDevEvent");
  bind(CancelWaitForDevEvent, "SKF_CancelWaitForDevEvent");
}

skf_library::~skf_library() {
  if (handle_) dlclose(handle_);
}

// A missing entry point stays null; the command that needs it says so.
template <class F>
void skf_library::bind(F& slot, const char* name) {
  slot = reinterpret_cast<F>(dlsym(handle_, name));
}

}  // namespace skftool
