// Waiting for tokens to be inserted or removed. The wait itself runs outside
// the library lock; only seeding and collecting the names take it.
#include <memory>
#include <mutex>
#include <string>

#include "core/device_frame.h"
#include "core/device_naming.h"
#include "core/event_filter.h"
#include "core/export_frame.h"
#include "core/library_config.h"
#include "core/library_state.h"
#include "platform/clock.h"
#include "platform/device_watch.h"

namespace veltrakey {
namespace {

constexpr unsigned later_wait_pause_ms = 60;
constexpr unsigned settle_ms = 200;
constexpr unsigned collect_retry_ms = 300;
constexpr int arrival_retries = 10;
constexpr int removal_retries = 2;

// Under the library lock.
bool first_wait_done = false;

// The watch lives from the first wait until a cancel ends one; the cancel
// may come from any thread.
std::mutex watch_mutex;
std::shared_ptr<platform::device_watch> event_watch;

std::shared_ptr<platform::device_watch> current_watch() {
  std::lock_guard<std::mutex> hold(watch_mutex);
  if (!event_watch) event_watch = platform::device_watch::create();
  return event_watch;
}

void forget_watch(const std::shared_ptr<platform::device_watch>& watch) {
  std::lock_guard<std::mutex> hold(watch_mutex);
  if (event_watch == watch) event_watch.reset();
}

// On the first wait the manager learns of the tokens already present, so
// that their later removal can be told by name.
void seed_device_list() {
  locked_export([]() -> ULONG {
    if (!first_wait_done && token_manager.device_count() == 0) {
      int gone = 0, added = 0;
      token_manager.refresh(&gone, &added, enum_device_string());
      if (added > 0) (void)list_devices(device_state_new);
    }
    first_wait_done = true;
    return SAR_OK;
  });
}

// Blocks until a notification the filter accepts; none when cancelled.
// A watch that cannot be made skips the wait.
std::optional<device_event> wait_for_change(const std::shared_ptr<platform::device_watch>& watch, bool& cancelled) {
  const std::string event_filter = enum_device_string().substr(0, event_filter_capacity);
  if (!watch) return device_event::none;
  for (;;) {
    auto notification = watch->wait();
    if (!notification) {
      forget_watch(watch);
      cancelled = true;
      return std::nullopt;
    }
    const device_event event = notification->change == platform::device_change::arrival
                                   ? classify_arrival(event_filter, notification->name)
                                   : classify_removal(event_filter, notification->name);
    if (event != device_event::none) return event;
  }
}

// Rescans until the expected change shows, then names what changed.
device_event collect_names(device_event expected, std::string& names) {
  const std::string filter = enum_device_string();
  const int retries = expected == device_event::removal ? removal_retries : arrival_retries;
  int gone = 0, added = 0;
  for (int attempt = 0;; ++attempt) {
    token_manager.refresh(&gone, &added, filter);
    const bool visible = expected == device_event::arrival ? added > 0 : expected == device_event::removal ? gone > 0 : true;
    if (visible || attempt >= retries) break;
    platform::sleep_ms(collect_retry_ms);
  }
  if (gone > 0) {
    names = list_gone_devices();
    return names.empty() ? device_event::none : device_event::removal;
  }
  if (added > 0) {
    names = list_devices(device_state_new);
    return names.empty() ? device_event::none : device_event::arrival;
  }
  return device_event::none;
}

}  // namespace
}  // namespace veltrakey

using namespace veltrakey;

extern "C" SKF_EXPORT ULONG DEVAPI SKF_WaitForDevEvent(LPSTR szDevName, ULONG* pulDevNameLen, ULONG* pulEvent) {
  return guarded_export([&]() -> ULONG {
    if (szDevName == nullptr || pulDevNameLen == nullptr || pulEvent == nullptr) return SAR_INVALIDPARAMERR;
    *pulEvent = DEV_EVENT_NONE;
    // Watching starts before the seeding, so that neither a change nor a
    // cancel made meanwhile is missed.
    const auto watch = current_watch();
    bool first;
    {
      mk_auto_mutex guard(library_mutex, library_lock_name);
      first = !first_wait_done;
    }
    if (first)
      seed_device_list();
    else
      platform::sleep_ms(later_wait_pause_ms);

    bool cancelled = false;
    const auto expected = wait_for_change(watch, cancelled);
    if (cancelled) return SAR_NOT_EVENTERR;
    platform::sleep_ms(settle_ms);

    return locked_export([&]() -> ULONG {
      std::string names;
      const device_event event = collect_names(*expected, names);
      *pulEvent = static_cast<ULONG>(event);
      return copy_name_list(names, max_event_list, szDevName, pulDevNameLen);
    });
  });
}

extern "C" SKF_EXPORT ULONG DEVAPI SKF_CancelWaitForDevEvent() {
  return guarded_export([]() -> ULONG {
    std::shared_ptr<platform::device_watch> watch;
    {
      std::lock_guard<std::mutex> hold(watch_mutex);
      watch = event_watch;
    }
    if (watch) watch->cancel();
    return SAR_OK;
  });
}
