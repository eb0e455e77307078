#pragma once
// Which device-change notifications concern the library's tokens. The filter
// is "disk pattern,second pattern,hid pattern|hid pattern|…"; a field of "*"
// accepts every device.
#include <string>
#include <string_view>

namespace veltrakey {

enum class device_event : unsigned { none = 0, arrival = 1, removal = 2 };

// The part of the device filter a wait classifies against.
inline constexpr size_t event_filter_capacity = 64;
// Notification names are compared lower-cased and cut to this length.
inline constexpr size_t event_name_capacity = 256;

device_event classify_arrival(std::string_view event_filter, std::string_view device_name);
device_event classify_removal(std::string_view event_filter, std::string_view device_name);

}  // namespace veltrakey
