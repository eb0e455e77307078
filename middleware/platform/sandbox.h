#pragma once
// Whether this process runs confined so that it may not open disk devices
// itself and must go through the local I/O service.
namespace veltrakey {

struct sandbox_answer {
  bool known;      // the question could be answered
  bool sandboxed;
};

// Asked of the system once per process and cached.
sandbox_answer sandbox_query();

}  // namespace veltrakey
