#pragma once
// The transport interface: one object per attached token, moving serialised
// commands to it and responses back. The device manager owns every object;
// the SKF layer keeps non-owning pointers.
#include <cstddef>
#include <cstdint>

#include "transport/device_mutex_locker.h"

namespace veltrakey {

// Presence states kept by the device manager.
enum device_state : int {
  device_state_seen_again = 0,  // found again by a later scan
  device_state_new = 1,         // found by the latest scan for the first time
  device_state_gone = 2,        // missed by the latest scan; purge deletes it
  device_state_unknown = 3,     // constructed, not yet seen by a scan
};

// What kind() reports.
enum device_kind : int {
  device_kind_disk = 0,  // SCSI pass-through or the I/O service
  device_kind_hid = 1,
};

constexpr size_t device_path_capacity = 256;
constexpr size_t device_id_capacity = 256;
constexpr size_t vendor_block_length = 12;

// One block of the bulk cipher path. The transport reads `input`/`length` and
// writes at most `output_capacity` bytes to `output`, storing the count in
// `*output_length`. The key references and IV travel for transports that
// need them; the SCSI transport does not.
struct bulk_block {
  uint32_t algorithm = 0;
  uint32_t direction = 0;  // 1 encrypt, 0 decrypt
  uint32_t application_id = 0;
  uint32_t container_id = 0;
  uint32_t key_id = 0;
  bool first_block = false;
  const uint8_t* iv = nullptr;
  size_t iv_length = 0;
  const uint8_t* input = nullptr;
  size_t length = 0;
  uint8_t* output = nullptr;
  size_t output_capacity = 0;
  size_t* output_length = nullptr;
};

// Operations in slot order. Result codes:
//   open                0, or the system's error number (HID variants that
//                       retry may return 0 even after failing; later
//                       transfers then fail)
//   send_command        0 sent, 1 failed
//   receive_response    0 and *length = response length (data then SW1 SW2);
//                       HID: 1 read failed, 2 bad marker, 3 bad length,
//                       4 only stale answers, 5 bad payload tag;
//                       SCSI: 1 transfer failed, 2 bad tag, 3 too short,
//                       4 length beyond the data;
//                       service: its result, 1 when it cannot be reached
//   transceive          0 done, 1 send failed, 2 receive failed
//   probe               0 present, non-zero absent
// Unless a transport says otherwise, *length on entry is the capacity of
// `buffer`; nothing is written past it and no partial data is delivered.
class device_base {
public:
  device_base() = default;
  device_base(const device_base&) = delete;
  device_base& operator=(const device_base&) = delete;
  virtual ~device_base();                                                     // 0

  virtual int open() = 0;                                                     // 1
  virtual int close() = 0;                                                    // 2
  virtual int reserved_3() { return -1; }                                     // 3
  virtual int send_command(const uint8_t* /*command*/, size_t /*n*/) { return -1; }  // 4
  virtual int receive_response(uint8_t* buffer, size_t* length) = 0;          // 5
  // Raw vendor blocks (disk tokens): the block's first byte is the opcode.
  virtual int send_raw(const uint8_t (&/*block*/)[vendor_block_length], const uint8_t* /*data*/,
                       size_t /*n*/) { return -1; }                           // 6
  virtual int receive_raw(const uint8_t (&/*block*/)[vendor_block_length], uint8_t* /*buffer*/,
                          size_t* /*length*/) { return -1; }                  // 7
  virtual int transceive(const uint8_t* /*command*/, size_t /*n*/, uint8_t* /*buffer*/,
                         size_t* /*length*/) { return -1; }                   // 8
  virtual int set_io_timeout(uint32_t /*ms*/) { return -1; }                  // 9
  virtual const char* path() const = 0;                                       // 10
  virtual const char* id() const = 0;                                         // 11
  virtual void set_id(const char* /*text*/) {}                                // 12
  virtual void set_state(int state) = 0;                                      // 13
  virtual int state() const { return device_state_unknown; }                  // 14
  virtual int kind() const = 0;                                               // 15
  virtual int probe() = 0;                                                    // 16
  virtual int reserved_17() { return 0; }                                     // 17
  virtual int lock_named(uint32_t ms, const char* name);                      // 18
  virtual int lock_device(uint32_t ms);                                       // 19
  virtual int unlock_device();                                                // 20
  virtual int lock_transaction(uint32_t ms);                                  // 21
  virtual int unlock_transaction();                                           // 22
  // The largest block the bulk path may hand over at once; 0 without one.
  virtual int query_limit(uint32_t* limit) { *limit = 0; return 0; }          // 23
  virtual int bulk_mode(bool /*on*/) { return 0; }                            // 24
  virtual int bulk_transfer(const bulk_block& block) {                        // 25
    if (block.output_length) *block.output_length = 0;
    return 0;
  }

protected:
  device_mutex_locker command_locker_;
  device_mutex_locker transaction_locker_;
};

}  // namespace veltrakey
