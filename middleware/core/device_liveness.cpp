// Whether a device handle's transport object still stands for its token.
#include "core/handles.h"
#include "core/library_state.h"

namespace veltrakey {

void forget_stale_transport(gm_sc_dev* device) {
  if (device->transport == nullptr) return;
  // Only the address is compared until the manager confirms it holds it.
  if (!token_access.contains(device->transport) || device->transport_path != device->transport->path())
    device->transport = nullptr;
}

}  // namespace veltrakey
