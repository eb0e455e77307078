#pragma once
// The library-wide objects that live from load to unload.
#include "core/handles.h"
#include "core/mk_mutex.h"
#include "transport/device_access.h"
#include "transport/device_manager.h"

namespace veltrakey {

// Owns every transport object; touched only under the library lock.
extern device_manager token_manager;
// The way from the SKF layer to the manager's objects.
extern device_access token_access;

}  // namespace veltrakey
