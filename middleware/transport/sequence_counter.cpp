#include "transport/sequence_counter.h"

namespace veltrakey {

sequence_counter& hid65_sequence() {
  static sequence_counter counter;
  return counter;
}

sequence_counter& hid1093_sequence() {
  static sequence_counter counter;
  return counter;
}

}  // namespace veltrakey
