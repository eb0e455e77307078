#include "core/event_filter.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace veltrakey {

namespace {

constexpr size_t max_pattern_entries = 16;

struct filter_fields {
  std::string_view disk, second, hid;
};

// False when the filter has fewer than three fields.
bool split_filter(std::string_view filter, filter_fields& out) {
  std::string_view parts[3];
  for (int i = 0; i < 3; ++i) {
    const size_t comma = filter.find(',');
    if (i < 2 && comma == std::string_view::npos) return false;
    parts[i] = filter.substr(0, comma);
    filter = comma == std::string_view::npos ? std::string_view() : filter.substr(comma + 1);
  }
  out = {parts[0], parts[1], parts[2]};
  return true;
}

std::string normalised_name(std::string_view name) {
  std::string out(name.substr(0, event_name_capacity));
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

bool contains_nonempty(const std::string& name, std::string_view pattern) {
  return !pattern.empty() && name.find(pattern) != std::string::npos;
}

// "a|b|c": true when the name holds one of the entries; the first empty
// entry ends the list.
bool contains_any_entry(const std::string& name, std::string_view entries) {
  for (size_t i = 0; i < max_pattern_entries; ++i) {
    const size_t bar = entries.find('|');
    const std::string_view entry = entries.substr(0, bar);
    if (entry.empty()) return false;
    if (name.find(entry) != std::string::npos) return true;
    if (bar == std::string_view::npos) return false;
    entries.remove_prefix(bar + 1);
  }
  return false;
}

bool accepts_everything(const filter_fields& f) { return f.second == "*" || f.hid == "*"; }

}  // namespace

device_event classify_arrival(std::string_view event_filter, std::string_view device_name) {
  filter_fields f;
  if (!split_filter(event_filter, f)) return device_event::none;
  if (accepts_everything(f)) return device_event::arrival;
  const std::string name = normalised_name(device_name);
  const bool match = contains_nonempty(name, f.disk) || contains_nonempty(name, f.second) ||
                     contains_any_entry(name, f.second) || contains_any_entry(name, f.hid);
  return match ? device_event::arrival : device_event::none;
}

device_event classify_removal(std::string_view event_filter, std::string_view device_name) {
  filter_fields f;
  if (!split_filter(event_filter, f)) return device_event::none;
  if (accepts_everything(f)) return device_event::removal;
  const std::string name = normalised_name(device_name);
  const bool match =
      contains_nonempty(name, f.second) || contains_nonempty(name, f.disk) || contains_any_entry(name, f.hid);
  return match ? device_event::removal : device_event::none;
}

}  // namespace veltrakey
