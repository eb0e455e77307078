// File family: named files inside an application, with read and write rights.
#include <algorithm>

#include "core/token.h"

namespace tokensim {
namespace {

constexpr size_t ATTRIBUTE_SIZE = 44;
constexpr size_t MAX_FILES = 64;
constexpr size_t MAX_FILE_SIZE = 0xFFFF;

uint16_t app_from_p1p2(const command_unit& c) { return static_cast<uint16_t>(c.p1 << 8 | c.p2); }

file_record& find_file(application_record& a, const std::string& name) {
  for (auto& f : a.files)
    if (f.name == name) return f;
  throw token_error(SW_FILE_NOT_FOUND);
}

void create_file(token& t, const command_unit& c, answer&) {
  application_record& a = t.app(app_from_p1p2(c));
  if (!t.rights_allow(a.id, a.create_rights)) throw token_error(SW_SECURITY_NOT_SATISFIED);
  data_reader in(c.data);
  if (in.remaining() != ATTRIBUTE_SIZE) throw token_error(SW_WRONG_LENGTH);
  file_record f;
  f.name = field_text(in.take(32));
  const uint32_t size = in.u32();
  f.read_rights = in.u32_le();
  f.write_rights = in.u32_le();
  if (f.name.empty() || size > MAX_FILE_SIZE) throw token_error(SW_WRONG_DATA);
  if (std::any_of(a.files.begin(), a.files.end(), [&](const auto& g) { return g.name == f.name; }))
    throw token_error(SW_FILE_EXISTS);
  if (a.files.size() >= MAX_FILES || size + 64 > t.free_space()) throw token_error(SW_NO_ROOM);
  f.content.assign(size, 0);
  a.files.push_back(std::move(f));
}

void delete_file(token& t, const command_unit& c, answer&) {
  application_record& a = t.app(app_from_p1p2(c));
  file_record& f = find_file(a, std::string(c.data.begin(), c.data.end()));
  if (!t.rights_allow(a.id, f.write_rights)) throw token_error(SW_SECURITY_NOT_SATISFIED);
  std::erase_if(a.files, [&](const auto& g) { return &g == &f; });
}

void enum_files(token& t, const command_unit& c, answer& out) {
  const uint16_t id = app_from_p1p2(c);
  if (next_listing_portion(t, c, id, out)) return;
  bytes list;
  for (const auto& f : t.app(id).files) {
    put_bytes(list, std::span(reinterpret_cast<const uint8_t*>(f.name.data()), f.name.size()));
    list.push_back(0);
  }
  list.push_back(0);
  answer_listing(t, c, id, std::move(list), out);
}

void get_file_info(token& t, const command_unit& c, answer& out) {
  const file_record& f = find_file(t.app(app_from_p1p2(c)), std::string(c.data.begin(), c.data.end()));
  put_u32(out.data, static_cast<uint32_t>(f.content.size()));
  put_u32_le(out.data, f.read_rights);
  put_u32_le(out.data, f.write_rights);
}

struct file_access {
  application_record* app;
  file_record* file;
  size_t offset;
};

// app, offset, [length,] name length, name
file_access read_access(token& t, data_reader& in, size_t* length) {
  application_record& a = t.app(in.u16());
  const size_t offset = in.u16();
  if (length) *length = in.u16();
  const std::string name = in.text(in.u16());
  return {&a, &find_file(a, name), offset};
}

bytes read_piece(token& t, const file_access& f, size_t length) {
  if (!t.rights_allow(f.app->id, f.file->read_rights)) throw token_error(SW_SECURITY_NOT_SATISFIED);
  const bytes& content = f.file->content;
  if (f.offset >= content.size()) return {};
  const size_t n = std::min(length, content.size() - f.offset);
  return bytes(content.begin() + static_cast<long>(f.offset), content.begin() + static_cast<long>(f.offset + n));
}

void write_piece(token& t, const file_access& f, std::span<const uint8_t> data) {
  if (!t.rights_allow(f.app->id, f.file->write_rights)) throw token_error(SW_SECURITY_NOT_SATISFIED);
  bytes& content = f.file->content;
  if (f.offset > content.size() || data.size() > content.size() - f.offset) throw token_error(SW_WRONG_LENGTH);
  std::copy(data.begin(), data.end(), content.begin() + static_cast<long>(f.offset));
}

void read_file(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  size_t length = 0;
  const file_access f = read_access(t, in, &length);
  out.data = read_piece(t, f, length);
}

void write_file(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  const file_access f = read_access(t, in, nullptr);
  const auto data = in.take(in.u16());
  write_piece(t, f, data);
}

// File contents through a session key: a keystream of the key's block cipher
// over a counter, continued across pieces and restarted after the last one,
// so each piece keeps its length.
void apply_keystream(session_key& k, std::span<uint8_t> data) {
  const auto info = cipher_for(k.algorithm);
  if (!info) throw token_error(SW_WRONG_DATA);
  const size_t b = info->block_size;
  for (size_t i = 0; i < data.size();) {
    const uint64_t block = k.file_position / b;
    bytes counter(b, 0);
    for (size_t j = 0; j < 8 && j < b; ++j) counter[b - 1 - j] = static_cast<uint8_t>(block >> (8 * j));
    const auto stream = ecb_crypt(k.algorithm, k.value, counter, true);
    if (!stream) throw token_error(SW_WRONG_DATA);
    for (size_t j = k.file_position % b; j < b && i < data.size(); ++j, ++i, ++k.file_position)
      data[i] ^= (*stream)[j];
  }
}

session_key& key_after(token& t, data_reader& in) {
  const uint16_t app = in.u16(), container = in.u16(), id = in.u16();
  return t.key(app, container, id);
}

void crypt_read_file(token& t, const command_unit& c, answer& out) {
  data_reader in(c.data);
  size_t length = 0;
  const file_access f = read_access(t, in, &length);
  session_key& k = key_after(t, in);
  out.data = read_piece(t, f, length);
  apply_keystream(k, out.data);
  if (c.p1) k.file_position = 0;
}

void crypt_write_file(token& t, const command_unit& c, answer&) {
  data_reader in(c.data);
  const file_access f = read_access(t, in, nullptr);
  const size_t length = in.u16();
  session_key& k = key_after(t, in);
  bytes data = in.copy(length);
  apply_keystream(k, data);
  write_piece(t, f, data);
  if (c.p1) k.file_position = 0;
}

void set_mfs_cursor(token& t, const command_unit&, answer&) {
  t.session.export_rest.clear();
  t.session.export_started = false;
}

const command_route ROUTES[] = {
    {0x80, 0x30, -1, create_file},  {0x80, 0x32, -1, delete_file},     {0x80, 0x34, -1, enum_files},
    {0x80, 0x36, -1, get_file_info}, {0x80, 0x38, -1, read_file},      {0x80, 0x3A, -1, write_file},
    {0xC0, 0x52, -1, set_mfs_cursor}, {0xC0, 0x54, -1, crypt_read_file}, {0xC0, 0x56, -1, crypt_write_file},
};

}  // namespace

std::span<const command_route> file_routes() { return ROUTES; }

}  // namespace tokensim
