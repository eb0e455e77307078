#include "bus/token_variant.h"

#include <algorithm>
#include <cctype>

namespace tokensim {
namespace {

struct variant_row {
  token_variant variant;
  const char* name;
  report_lengths lengths;
};

constexpr variant_row variants[] = {
    {token_variant::hid_hs, "hs", {65, 65, 0}},
    {token_variant::hid_ctrl_io, "ctrl", {65, 65, 65}},
    {token_variant::hid_long, "long", {1093, 1093, 0}},
    {token_variant::scsi, "scsi", {0, 0, 0}},
};

const variant_row& row_of(token_variant v) {
  return *std::find_if(std::begin(variants), std::end(variants), [v](const auto& r) { return r.variant == v; });
}

}  // namespace

std::optional<token_variant> variant_from_name(const std::string& name) {
  for (const auto& r : variants) {
    if (name == r.name) return r.variant;
  }
  return std::nullopt;
}

const char* variant_name(token_variant v) { return row_of(v).name; }
bool is_hid(token_variant v) { return v != token_variant::scsi; }
report_lengths lengths_of(token_variant v) { return row_of(v).lengths; }

std::string device_path_for(token_variant v, const std::string& serial) {
  if (is_hid(v)) return "hid#vid_7c31&pid_c3d4#" + serial;
  std::string path = "usbstor#disk&ven_velkon&prod_tk5100#" + serial;
  std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return path;
}

}  // namespace tokensim
