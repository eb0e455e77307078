#include "core/library_config.h"

#include <mutex>

#include "core/export_frame.h"
#include "skf.h"

namespace veltrakey {

uint32_t max_apdu_data = default_max_apdu_data;

namespace {

// The filters may be changed without the library lock, so they have their
// own. Plain arrays: they are ready before any constructor of the library
// runs, holding the built-in values until the load-time defaults replace them.
std::mutex settings_mutex;
char enum_device_text[enum_device_string_capacity + 1] =
    "tk5100,vid_7c31&pid_a1b2,vid_7c31&pid_c3d4|vid_7c31&pid_e5f6|vid_7c31&pid_0a1b";
char oem_id_text[oem_id_list_capacity + 1] = "tk5100";

template <size_t N>
bool replace_setting(char (&setting)[N], std::string_view text) {
  if (text.size() >= N) return false;
  std::lock_guard<std::mutex> hold(settings_mutex);
  text.copy(setting, text.size());
  setting[text.size()] = '\0';
  return true;
}

}  // namespace

std::string enum_device_string() {
  std::lock_guard<std::mutex> hold(settings_mutex);
  return enum_device_text;
}

std::string oem_id_list() {
  std::lock_guard<std::mutex> hold(settings_mutex);
  return oem_id_text;
}

bool set_enum_device_string(std::string_view text) { return replace_setting(enum_device_text, text); }

bool set_oem_id_list(std::string_view text) { return replace_setting(oem_id_text, text); }

}  // namespace veltrakey

// Not locked: it is meant to be called before other use, and the settings
// guard themselves.
extern "C" SKF_EXPORT ULONG DEVAPI XKF_SetEnumDeviceString(LPSTR szEnumString, LPSTR szOemIds) {
  using namespace veltrakey;
  return guarded_export([&]() -> ULONG {
    const std::string_view filter = szEnumString ? std::string_view(szEnumString) : std::string_view();
    const std::string_view oem_ids = szOemIds ? std::string_view(szOemIds) : std::string_view();
    if (filter.size() > enum_device_string_capacity || oem_ids.size() > oem_id_list_capacity)
      return SAR_INVALIDPARAMERR;
    if (!filter.empty()) set_enum_device_string(filter);
    if (!oem_ids.empty()) set_oem_id_list(oem_ids);
    return SAR_OK;
  });
}
