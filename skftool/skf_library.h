#pragma once
// An SKF provider loaded at run time, as applications load it: only the
// public C interface, bound by name.
#include <string>

#include "skf.h"

namespace skftool {

class skf_library {
public:
  // Loads `path` (a file name alone is searched the usual way); on failure
  // `error()` says why and every entry point is null.
  explicit skf_library(const std::string& path);
  skf_library(const skf_library&) = delete;
  skf_library& operator=(const skf_library&) = delete;
  ~skf_library();

  bool loaded() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }

  decltype(&SKF_EnumDev) EnumDev = nullptr;
  decltype(&SKF_ConnectDev) ConnectDev = nullptr;
  decltype(&SKF_DisConnectDev) DisConnectDev = nullptr;
  decltype(&SKF_GetDevInfo) GetDevInfo = nullptr;
  decltype(&SKF_SetLabel) SetLabel = nullptr;
  decltype(&SKF_GenRandom) GenRandom = nullptr;
  decltype(&SKF_Transmit) Transmit = nullptr;
  decltype(&SKF_WaitForDevEvent) WaitForDevEvent = nullptr;
  decltype(&SKF_CancelWaitForDevEvent) CancelWaitForDevEvent = nullptr;

private:
  template <class F>
  void bind(F& slot, const char* name);

  void* handle_ = nullptr;
  std::string path_;
  std::string error_;
};

}  // namespace skftool
