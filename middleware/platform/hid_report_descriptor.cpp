// Minimal HID report descriptor walker: only the items that decide report
// sizes (report size, count and identifier; input, output, feature; push
// and pop) are interpreted.
#include "platform/hid_report_descriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace veltrakey {
namespace {

struct global_state {
  uint32_t report_size = 0;
  uint32_t report_count = 0;
  uint32_t report_id = 0;
};

enum report_kind { input_kind, output_kind, feature_kind };

constexpr size_t max_push_depth = 16;
// Far above any real device; keeps the bit totals from overflowing.
constexpr uint64_t max_report_bits = uint64_t(1) << 24;

uint32_t item_value(const uint8_t* data, size_t size) {
  uint32_t v = 0;
  for (size_t i = 0; i < size; ++i) v |= uint32_t(data[i]) << (8 * i);
  return v;
}

}  // namespace

bool parse_hid_report_lengths(const uint8_t* descriptor, size_t length, hid_report_lengths* out) {
  global_state g;
  std::vector<global_state> stack;
  std::map<uint32_t, uint64_t> bits[3];
  size_t i = 0;
  while (i < length) {
    const uint8_t prefix = descriptor[i];
    if (prefix == 0xFE) {  // long item: size byte, tag byte, data
      if (i + 2 >= length) return false;
      i += 3 + descriptor[i + 1];
      continue;
    }
    static constexpr size_t sizes[4] = {0, 1, 2, 4};
    const size_t size = sizes[prefix & 0x03];
    if (i + 1 + size > length) return false;
    const uint32_t value = item_value(descriptor + i + 1, size);
    const uint8_t tag_type = prefix & 0xFC;
    switch (tag_type) {
      case 0x80: case 0x90: case 0xB0: {  // input, output, feature
        const report_kind kind = tag_type == 0x80 ? input_kind : tag_type == 0x90 ? output_kind : feature_kind;
        uint64_t& total = bits[kind][g.report_id];
        total += uint64_t(g.report_size) * g.report_count;
        if (total > max_report_bits) return false;
        break;
      }
      case 0x74: g.report_size = value; break;
      case 0x94: g.report_count = value; break;
      case 0x84: g.report_id = value; break;
      case 0xA4:
        if (stack.size() >= max_push_depth) return false;
        stack.push_back(g);
        break;
      case 0xB4:
        if (stack.empty()) return false;
        g = stack.back();
        stack.pop_back();
        break;
      default: break;
    }
    i += 1 + size;
  }
  auto longest = [](const std::map<uint32_t, uint64_t>& m) -> size_t {
    uint64_t best = 0;
    for (const auto& [id, b] : m) best = std::max(best, b);
    return best ? size_t((best + 7) / 8 + 1) : 0;
  };
  out->input = longest(bits[input_kind]);
  out->output = longest(bits[output_kind]);
  out->feature = longest(bits[feature_kind]);
  return true;
}

}  // namespace veltrakey
