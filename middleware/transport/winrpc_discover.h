#pragma once
#include <string>

#include "platform/pipe_client.h"
#include "transport/device_discover.h"

namespace veltrakey {

// Disk tokens the local I/O service knows of.
class winrpc_discover : public device_discover {
public:
  // The service's count, at most the eight paths its answer can hold; 0 when
  // it cannot be reached.
  int scan(const std::string& pattern, std::vector<std::string>* paths) override;
  void set_pipe_timeout(unsigned ms) { pipe_timeout_ms_ = ms; }

private:
  unsigned pipe_timeout_ms_ = pipe_default_timeout_ms;
};

}  // namespace veltrakey
