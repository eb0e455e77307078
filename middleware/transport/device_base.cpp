// Base behaviours shared by every transport.
#include "transport/device_base.h"

#include <string>

namespace veltrakey {

device_base::~device_base() {
  command_locker_.release();
  transaction_locker_.release();
}

int device_base::lock_named(uint32_t ms, const char* name) {
  command_locker_.open(name);
  return command_locker_.wait(ms);
}

int device_base::lock_device(uint32_t ms) { return lock_named(ms, id()); }

int device_base::unlock_device() { return command_locker_.release(); }

int device_base::lock_transaction(uint32_t ms) {
  const std::string name = std::string(id()) + "_trans";
  transaction_locker_.open(name.c_str());
  return transaction_locker_.wait(ms);
}

int device_base::unlock_transaction() { return transaction_locker_.release(); }

}  // namespace veltrakey
