// The library's long-lived objects, in one place so that they are built in
// this order at load and torn down in the reverse order at unload: the lock,
// then the devices. The load-time filter and OEM defaults are set last.
#include "core/handles.h"
#include "core/library_config.h"
#include "core/mk_mutex.h"

namespace veltrakey {

mk_mutex library_mutex;
device_list_type device_list;

namespace {

struct load_time_defaults {
  load_time_defaults() {
    set_enum_device_string(default_enum_device_string);
    set_oem_id_list(default_oem_id_list);
  }
};
const load_time_defaults apply_defaults;

}  // namespace

}  // namespace veltrakey
