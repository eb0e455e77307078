#include "transport/scsi_frame.h"

#include <cstring>

namespace veltrakey {

void make_framed_block(uint8_t direction_code, uint8_t (&cdb)[scsi_cdb_length]) {
  static const char signature[] = "GMCAPIDFS";
  cdb[0] = 0xFE;
  cdb[1] = direction_code;
  std::memcpy(cdb + 2, signature, 9);
  cdb[11] = 0;
}

}  // namespace veltrakey
