#pragma once
// Vendor command blocks of the disk-class token.
#include <cstddef>
#include <cstdint>

#include "platform/scsi_port.h"

namespace veltrakey {

// FE 01|02 "GMCAPIDFS" 00: framed command out, framed response in.
void make_framed_block(uint8_t direction_code, uint8_t (&cdb)[scsi_cdb_length]);
constexpr uint8_t framed_send_code = 0x01;
constexpr uint8_t framed_receive_code = 0x02;
constexpr uint8_t scsi_frame_tag = 0x12;
constexpr size_t scsi_frame_header = 3;  // tag, length (BE16)

}  // namespace veltrakey
