#include "bus/fault_plan.h"

#include <cstdlib>
#include <sstream>

namespace tokensim {
namespace {

bool parse_number(const std::string& text, unsigned* out) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *out = unsigned(std::strtoul(text.c_str(), nullptr, 10));
  return true;
}

}  // namespace

std::optional<fault_plan> parse_fault_plan(const std::string& text) {
  fault_plan plan;
  if (text == "none" || text.empty()) return plan;
  std::stringstream items(text);
  std::string item;
  while (std::getline(items, item, ',')) {
    const size_t eq = item.find('=');
    const std::string key = item.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
    bool ok = true;
    if (key == "delay") ok = parse_number(value, &plan.delay_ms);
    else if (key == "stale") ok = parse_number(value, &plan.stale_answers);
    else if (key == "empty") ok = parse_number(value, &plan.empty_features);
    else if (key == "count") ok = parse_number(value, &plan.commands);
    else if (key == "drop" && value.empty()) plan.drop = true;
    else if (key == "bad-marker" && value.empty()) plan.bad_marker = true;
    else if (key == "wrong-length" && value.empty()) plan.wrong_length = true;
    else if (key == "disconnect" && value.empty()) plan.disconnect = true;
    else ok = false;
    if (!ok) return std::nullopt;
  }
  return plan;
}

}  // namespace tokensim
