#pragma once
// Bounded waits and whole-message transfers on non-blocking descriptors.
#include <cstddef>
#include <cstdint>

#include "platform/io_status.h"

namespace veltrakey {

// Waits until `fd` is readable (events POLLIN) or writable (POLLOUT).
io_status fd_wait(int fd, short events, unsigned timeout_ms);
// Receives one datagram or record of at most `capacity` bytes within the
// time-out; end of stream or an error is `failed`.
io_status fd_recv(int fd, uint8_t* buffer, size_t capacity, unsigned timeout_ms, size_t* received);
// Sends one message whole within the time-out.
io_status fd_send(int fd, const uint8_t* data, size_t length, unsigned timeout_ms);
// Reads exactly `length` bytes from a stream within one overall time-out.
io_status fd_read_exact(int fd, uint8_t* buffer, size_t length, unsigned timeout_ms);

}  // namespace veltrakey
