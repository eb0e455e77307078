#include "text.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace skftool {

namespace {

struct named_code {
  ULONG code;
  const char* name;
};

constexpr named_code result_names[] = {
    {SAR_OK, "SAR_OK"},
    {SAR_FAIL, "SAR_FAIL"},
    {SAR_UNKNOWNERR, "SAR_UNKNOWNERR"},
    {SAR_NOTSUPPORTYETERR, "SAR_NOTSUPPORTYETERR"},
    {SAR_INVALIDHANDLEERR, "SAR_INVALIDHANDLEERR"},
    {SAR_INVALIDPARAMERR, "SAR_INVALIDPARAMERR"},
    {SAR_NAMELENERR, "SAR_NAMELENERR"},
    {SAR_MODULUSLENERR, "SAR_MODULUSLENERR"},
    {SAR_MEMORYERR, "SAR_MEMORYERR"},
    {SAR_TIMEOUTERR, "SAR_TIMEOUTERR"},
    {SAR_INDATALENERR, "SAR_INDATALENERR"},
    {SAR_INDATAERR, "SAR_INDATAERR"},
    {SAR_HASHNOTEQUALERR, "SAR_HASHNOTEQUALERR"},
    {SAR_KEYNOTFOUNTERR, "SAR_KEYNOTFOUNTERR"},
    {SAR_CERTNOTFOUNTERR, "SAR_CERTNOTFOUNTERR"},
    {SAR_BUFFER_TOO_SMALL, "SAR_BUFFER_TOO_SMALL"},
    {SAR_NOT_EVENTERR, "SAR_NOT_EVENTERR"},
    {SAR_DEVICE_REMOVED, "SAR_DEVICE_REMOVED"},
    {SAR_PIN_INCORRECT, "SAR_PIN_INCORRECT"},
    {SAR_PIN_LOCKED, "SAR_PIN_LOCKED"},
    {SAR_APPLICATION_EXISTS, "SAR_APPLICATION_EXISTS"},
    {SAR_USER_NOT_LOGGED_IN, "SAR_USER_NOT_LOGGED_IN"},
    {SAR_APPLICATION_NOT_EXISTS, "SAR_APPLICATION_NOT_EXISTS"},
    {SAR_FILE_ALREADY_EXIST, "SAR_FILE_ALREADY_EXIST"},
    {SAR_NO_ROOM, "SAR_NO_ROOM"},
    {SAR_FILE_NOT_EXIST, "SAR_FILE_NOT_EXIST"},
};

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string to_hex(const uint8_t* data, size_t length) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(length * 2);
  for (size_t i = 0; i < length; ++i) {
    out += digits[data[i] >> 4];
    out += digits[data[i] & 0x0F];
  }
  return out;
}

std::optional<std::vector<uint8_t>> from_hex(const std::string& text) {
  std::vector<uint8_t> out;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == ':') continue;
    const int v = hex_value(c);
    if (v < 0) return std::nullopt;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return out;
}

std::string describe_result(ULONG code) {
  char number[16];
  snprintf(number, sizeof number, "0x%08X", code);
  for (const named_code& row : result_names)
    if (row.code == code) return std::string(number) + " (" + row.name + ")";
  // Status words without a code of their own come back as they are.
  if (code <= 0xFFFF) {
    char status[48];
    snprintf(status, sizeof status, "%s (token status %04X)", number, static_cast<unsigned>(code));
    return status;
  }
  return number;
}

std::vector<std::string> split_name_list(const char* list, size_t length) {
  std::vector<std::string> names;
  size_t at = 0;
  while (at < length && list[at] != '\0') {
    const size_t n = strnlen(list + at, length - at);
    names.emplace_back(list + at, n);
    at += n + 1;
  }
  return names;
}

std::string field_text(const char* field, size_t width) { return std::string(field, strnlen(field, width)); }

}  // namespace skftool
