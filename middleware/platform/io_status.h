#pragma once
// Outcome of one OS-level transfer, as the transports need to tell apart a
// transfer that ran out of time from one the system refused.
namespace veltrakey {

enum class io_status {
  ok,
  timeout,  // nothing completed within the time given; the request was cancelled
  failed,   // the system refused or lost the request
};

}  // namespace veltrakey
