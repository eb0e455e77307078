#include "core/algorithms.h"

#include <algorithm>
#include <iterator>

namespace veltrakey {

namespace {

constexpr symmetric_algorithm symmetric_table[] = {
    {SGD_SM1_ECB, 16, 16},       {SGD_SM1_CBC, 16, 16},       {SGD_SM1_CFB, 16, 16},
    {SGD_SM1_OFB, 16, 16},       {SGD_SM1_MAC, 16, 16},       {SGD_SSF33_ECB, 16, 16},
    {SGD_SSF33_CBC, 16, 16},     {SGD_SSF33_CFB, 16, 16},     {SGD_SSF33_OFB, 16, 16},
    {SGD_SSF33_MAC, 16, 16},     {SGD_SMS4_ECB, 16, 16},      {SGD_SMS4_CBC, 16, 16},
    {SGD_SMS4_CFB, 16, 16},      {SGD_SMS4_OFB, 16, 16},      {SGD_SMS4_MAC, 16, 16},
    {XGD_B8_K8_ECB, 8, 8},       {XGD_B8_K8_CBC, 8, 8},       {XGD_B8_K16_ECB, 16, 8},
    {XGD_B8_K16_CBC, 16, 8},     {XGD_B8_K24_ECB, 24, 8},     {XGD_B8_K24_CBC, 24, 8},
    {XGD_B16_K16_ECB, 16, 16},   {XGD_B16_K16_CBC, 16, 16},   {XGD_B16_K24_ECB, 24, 16},
    {XGD_B16_K24_CBC, 24, 16},   {XGD_B16_K32_ECB, 32, 16},   {XGD_B16_K32_CBC, 32, 16},
};

struct short_name {
  ULONG caller_value;
  ULONG id;
};

constexpr short_name short_names[] = {
    {0x00000001, XGD_B8_K24_ECB},   {0x00002001, XGD_B8_K24_ECB},   {0x00000002, XGD_B8_K24_CBC},
    {0x00002002, XGD_B8_K24_CBC},   {0x00000801, XGD_B8_K8_ECB},    {0x00000802, XGD_B8_K8_CBC},
    {0x00001001, XGD_B8_K16_ECB},   {0x00001002, XGD_B8_K16_CBC},   {0x00004001, XGD_B16_K16_ECB},
    {0x00004002, XGD_B16_K16_CBC},  {0x00008001, XGD_B16_K24_ECB},  {0x00008002, XGD_B16_K24_CBC},
    {0x00010001, XGD_B16_K32_ECB},  {0x00010002, XGD_B16_K32_CBC},
};

struct digest_row {
  ULONG id;
  size_t output_length;
};

constexpr digest_row digest_table[] = {
    {SGD_SM3, 32}, {SGD_SHA1, 20}, {SGD_SHA256, 32}, {0x00000080, 0},
    {0x00000081, 16}, {0x00000082, 0}, {0x00000083, 0},
};

// Lengths by identifier, also for identifiers not in the accepted list.
constexpr digest_row output_lengths[] = {{1, 32}, {2, 20}, {3, 32}, {4, 32}, {0x81, 16}};

template <class Row, size_t N, class Key>
const Row* find_row(const Row (&table)[N], Key Row::*key, ULONG value) {
  const auto* row = std::find_if(std::begin(table), std::end(table), [&](const Row& r) { return r.*key == value; });
  return row == std::end(table) ? nullptr : row;
}

}  // namespace

ULONG translate_symmetric_algorithm(ULONG caller_value) {
  const short_name* row = find_row(short_names, &short_name::caller_value, caller_value);
  return row ? row->id : caller_value;
}

std::optional<symmetric_algorithm> find_symmetric_algorithm(ULONG id) {
  const symmetric_algorithm* row = find_row(symmetric_table, &symmetric_algorithm::id, id);
  if (!row) return std::nullopt;
  return *row;
}

bool is_accepted_digest(ULONG id) { return find_row(digest_table, &digest_row::id, id) != nullptr; }

size_t digest_output_length(ULONG id) {
  const digest_row* row = find_row(output_lengths, &digest_row::id, id);
  return row ? row->output_length : 0;
}

}  // namespace veltrakey
