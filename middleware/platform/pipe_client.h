#pragma once
// Client of the local I/O service: one connect, request, answer and close per
// call, as the service expects.
#include <cstddef>
#include <cstdint>
#include <string>

namespace veltrakey {

constexpr unsigned pipe_default_timeout_ms = 30000;

// VELKON_IOSVR, else "VelkonIOSvr" in the user's runtime directory.
std::string pipe_service_path();
// Sends `request` whole and reads an answer of exactly `answer_length` bytes.
// The service is trusted only when its socket lies in a directory private
// to the user; otherwise the call fails.
bool pipe_call(const uint8_t* request, size_t request_length, uint8_t* answer,
               size_t answer_length, unsigned timeout_ms = pipe_default_timeout_ms);

}  // namespace veltrakey
