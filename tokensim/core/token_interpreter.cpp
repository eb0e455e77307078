#include "core/token_interpreter.h"

#include <array>
#include <charconv>
#include <functional>
#include <sstream>

#include "core/state_file.h"

namespace tokensim {
namespace {

constexpr size_t CHAIN_LIMIT = 70 * 1024;  // the largest chained payload accepted
constexpr size_t ANSWER_LIMIT = 2048 - 2;  // one answer, status included, fits the host's receive area
constexpr uint8_t CHAINING_BIT = 0x10;

std::optional<command_unit> parse_unit(std::span<const uint8_t> in) {
  if (in.size() < 4) return std::nullopt;
  command_unit c{in[0], in[1], in[2], in[3], {}, 0};
  const size_t n = in.size();
  if (n == 4) return c;
  if (n == 5) {
    c.le = in[4] ? in[4] : 256;
    return c;
  }
  if (in[4] != 0) {  // short form with data; no Le byte follows
    if (n != 5u + in[4]) return std::nullopt;
    c.data = in.subspan(5);
    return c;
  }
  if (n < 7) return std::nullopt;  // an extended length needs its three bytes
  if (n == 7) {
    const uint32_t le = uint32_t{in[5]} << 8 | in[6];
    c.le = le ? le : 65536;
    return c;
  }
  const size_t lc = size_t{in[5]} << 8 | in[6];
  if (lc == 0) return std::nullopt;
  if (n == 7 + lc) {
    c.data = in.subspan(7, lc);
    return c;
  }
  if (n == 9 + lc) {
    c.data = in.subspan(7, lc);
    const uint32_t le = uint32_t{in[7 + lc]} << 8 | in[8 + lc];
    c.le = le ? le : 65536;
    return c;
  }
  return std::nullopt;
}

using route_list = std::span<const command_route> (*)();
constexpr std::array<route_list, 10> FAMILIES = {
    device_routes, pin_routes, application_routes, file_routes, container_routes,
    session_key_routes, digest_routes, ecc_routes, rsa_routes, fingerprint_routes,
};

const command_route* find_route(uint8_t cla, uint8_t ins, uint8_t p1) {
  for (route_list family : FAMILIES)
    for (const command_route& r : family())
      if (r.cla == cla && r.ins == ins && (r.p1 < 0 || r.p1 == p1)) return &r;
  return nullptr;
}

bytes with_status(answer a) {
  a.data.push_back(static_cast<uint8_t>(a.sw >> 8));
  a.data.push_back(static_cast<uint8_t>(a.sw));
  return std::move(a.data);
}

}  // namespace

token_interpreter::token_interpreter(std::string state_path, const std::string& serial) : path_(std::move(state_path)) {
  if (!path_.empty()) {
    if (auto image = load_state_file(path_)) {
      if (auto device = decode_state(*image)) {
        token_.device = std::move(*device);
        saved_image_ = std::move(*image);
        ready_ = true;
        return;
      }
      return;  // an unreadable state file is kept for inspection, never overwritten
    }
  }
  token_.device = new_device_record(serial);
  ready_ = persist();
}

void token_interpreter::inject_status(uint8_t ins, uint16_t sw, int times, int16_t p1) {
  token_.faults.push_back({ins, p1, sw, times});
}

namespace {

bool parse_number(const std::string& text, int base, long& out) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return ec == std::errc() && end == text.data() + text.size() && out >= 0;
}

// INS[/P1]:SW[:TIMES]
std::optional<fault_rule> parse_status_rule(const std::string& text) {
  std::istringstream in(text);
  std::string command, status, times;
  std::getline(in, command, ':');
  std::getline(in, status, ':');
  std::getline(in, times);
  const auto slash = command.find('/');
  long ins = 0, p1 = -1, sw = 0, count = 1;
  if (!parse_number(command.substr(0, slash), 16, ins) || ins > 0xFF || !parse_number(status, 16, sw) || sw > 0xFFFF)
    return std::nullopt;
  if (slash != std::string::npos && (!parse_number(command.substr(slash + 1), 16, p1) || p1 > 0xFF)) return std::nullopt;
  if (!times.empty() && (!parse_number(times, 10, count) || count == 0)) return std::nullopt;
  return fault_rule{static_cast<uint8_t>(ins), static_cast<int16_t>(p1), static_cast<uint16_t>(sw),
                    static_cast<int>(count)};
}

}  // namespace

bool token_interpreter::configure(const std::string& settings) {
  token_config config = token_.config;
  std::vector<fault_rule> rules;
  std::optional<bool> sensor;
  std::optional<uint16_t> firmware;
  std::istringstream items(settings);
  for (std::string item; std::getline(items, item, ',');) {
    const auto eq = item.find('=');
    if (eq == std::string::npos) return false;
    const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
    long n = 0;
    const bool number = parse_number(value, 10, n) && n <= 1000;
    if (key == "keys" && number && n > 0) config.key_store_capacity = static_cast<size_t>(n);
    else if (key == "sign-waits" && number) config.interactive_waits = static_cast<int>(n);
    else if (key == "finger-waits" && number) config.finger_waits = static_cast<int>(n);
    else if (key == "enroll-presses" && number && n > 0) config.enroll_presses = static_cast<int>(n);
    else if (key == "finger" && number && n < 256) config.finger_on_sensor = static_cast<uint8_t>(n);
    else if (key == "finger-match" && number && n <= 1) config.finger_matches = n == 1;
    else if (key == "fingerprint" && (value == "on" || value == "off")) sensor = value == "on";
    else if (key == "firmware" && parse_number(value, 16, n) && n <= 0xFFFF) firmware = static_cast<uint16_t>(n);
    else if (key == "status") {
      auto rule = parse_status_rule(value);
      if (!rule) return false;
      rules.push_back(*rule);
    } else {
      return false;
    }
  }
  token_.config = config;
  token_.faults.insert(token_.faults.end(), rules.begin(), rules.end());
  if (sensor) token_.device.has_fingerprint = *sensor;
  if (firmware) token_.device.firmware_version = *firmware;
  return persist();
}

bool token_interpreter::set_fingerprint_sensor(bool present) {
  token_.device.has_fingerprint = present;
  return persist();
}

void token_interpreter::power_cycle() { token_.session = token_session{}; }

bool token_interpreter::persist() {
  bytes image = encode_state(token_.device);
  if (image == saved_image_) return true;
  if (!path_.empty() && !save_state_file(path_, image)) return false;
  saved_image_ = std::move(image);
  return true;
}

answer token_interpreter::execute(const command_unit& unit) {
  answer out;
  for (auto it = token_.faults.begin(); it != token_.faults.end(); ++it) {
    if (it->ins != unit.ins || (it->p1 >= 0 && it->p1 != unit.p1)) continue;
    out.sw = it->sw;
    if (it->remaining > 0 && --it->remaining == 0) token_.faults.erase(it);
    return out;
  }

  const uint8_t cla = unit.cla & static_cast<uint8_t>(~CHAINING_BIT);
  const command_route* route = find_route(cla, unit.ins, unit.p1);
  if (!route) {
    out.sw = find_route(cla, unit.ins, 0) || find_route(cla, unit.ins, 1) ? SW_WRONG_P1P2 : SW_INS_NOT_SUPPORTED;
    return out;
  }

  // Chained pieces are gathered and run as one command when the last arrives.
  chain_state& chain = token_.session.chain;
  if (chain.open && chain.ins != unit.ins) chain = chain_state{};
  bytes whole;
  command_unit c = unit;
  c.cla = cla;
  if (unit.cla & CHAINING_BIT || chain.open) {
    if (!chain.open) chain = {true, unit.ins, unit.p1, unit.p2, {}};
    if (chain.data.size() + unit.data.size() > CHAIN_LIMIT) {
      chain = chain_state{};
      out.sw = SW_WRONG_LENGTH;
      return out;
    }
    put_bytes(chain.data, unit.data);
    if (unit.cla & CHAINING_BIT) return out;
    whole = std::move(chain.data);
    c.p1 = chain.p1;
    c.p2 = chain.p2;
    c.data = whole;
    chain = chain_state{};
  }

  try {
    route->handle(token_, c, out);
  } catch (const token_error& e) {
    out = answer{{}, e.sw};
  } catch (const std::bad_alloc&) {
    out = answer{{}, 0x6581};
  }
  if (out.data.size() > ANSWER_LIMIT) out = answer{{}, SW_WRONG_LENGTH};
  return out;
}

std::vector<uint8_t> token_interpreter::handle(const uint8_t* command, size_t length) {
  answer out;
  if (!ready_) {
    out.sw = SW_UNKNOWN;
    return with_status(std::move(out));
  }
  auto unit = command ? parse_unit(std::span(command, length)) : std::nullopt;
  if (!unit) {
    out.sw = SW_WRONG_LENGTH;
    return with_status(std::move(out));
  }
  const bytes before = saved_image_;
  out = execute(*unit);
  if (!persist()) {
    // The change could not be made durable: undo it and say so.
    if (auto device = decode_state(before)) token_.device = std::move(*device);
    out = answer{{}, 0x6581};
  }
  return with_status(std::move(out));
}

}  // namespace tokensim
