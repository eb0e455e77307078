#include "core/state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tokensim {
namespace {

constexpr uint8_t MAGIC[4] = {'V', 'K', 'T', 'S'};
constexpr uint8_t FORMAT_VERSION = 1;

class writer {
public:
  void u8(uint8_t v) { out.push_back(v); }
  void u16(uint16_t v) { put_u16(out, v); }
  void u32(uint32_t v) { put_u32(out, v); }
  void blob(std::span<const uint8_t> b) {
    u32(static_cast<uint32_t>(b.size()));
    put_bytes(out, b);
  }
  void text(const std::string& s) {
    blob(std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size()));
  }
  bytes out;
};

void write_pin(writer& w, const pin_record& p) {
  w.text(p.value);
  w.u8(p.max_retries);
  w.u8(p.remaining);
  w.u8(p.is_default);
}

void write_key(writer& w, const key_pair& k) {
  w.u8(k.type);
  w.blob(k.private_der);
}

void write_container(writer& w, const container_record& c) {
  w.u16(c.id);
  w.text(c.name);
  write_key(w, c.sign_key);
  write_key(w, c.exchange_key);
  w.blob(c.sign_cert);
  w.blob(c.exchange_cert);
  w.u32(static_cast<uint32_t>(c.ext_info.size()));
  for (const auto& [tag, value] : c.ext_info) {
    w.u16(tag);
    w.blob(value);
  }
}

void write_app(writer& w, const application_record& a) {
  w.u16(a.id);
  w.text(a.name);
  write_pin(w, a.pins[PIN_ADMIN]);
  write_pin(w, a.pins[PIN_USER]);
  w.u32(a.create_rights);
  w.u32(static_cast<uint32_t>(a.files.size()));
  for (const file_record& f : a.files) {
    w.text(f.name);
    w.u32(f.read_rights);
    w.u32(f.write_rights);
    w.blob(f.content);
  }
  w.u32(static_cast<uint32_t>(a.containers.size()));
  for (const container_record& c : a.containers) write_container(w, c);
  w.u16(a.next_container_id);
  w.u32(static_cast<uint32_t>(a.fingers.size()));
  for (const fingerprint_record& f : a.fingers) {
    w.u8(f.finger);
    w.u8(f.user_type);
    w.blob(f.descriptor);
    w.u16(f.container_id);
    w.u8(f.value);
  }
  w.u8(a.finger_max_retries);
  w.u8(a.finger_remaining);
  w.u8(a.finger_enabled);
}

// Reading reuses the command data reader: a truncated image throws.
struct reader {
  explicit reader(std::span<const uint8_t> image) : in(image) {}
  uint8_t u8() { return in.u8(); }
  uint16_t u16() { return in.u16(); }
  uint32_t u32() { return in.u32(); }
  uint32_t count() {
    const uint32_t n = in.u32();
    if (n > in.remaining()) throw token_error(SW_WRONG_LENGTH);  // each item takes a byte at least
    return n;
  }
  bytes blob() { return in.copy(in.u32()); }
  std::string text() { return in.text(in.u32()); }
  data_reader in;
};

pin_record read_pin(reader& r) {
  pin_record p;
  p.value = r.text();
  p.max_retries = r.u8();
  p.remaining = r.u8();
  p.is_default = r.u8() != 0;
  return p;
}

key_pair read_key(reader& r) {
  key_pair k;
  k.type = static_cast<key_type>(r.u8());
  k.private_der = r.blob();
  return k;
}

container_record read_container(reader& r) {
  container_record c;
  c.id = r.u16();
  c.name = r.text();
  c.sign_key = read_key(r);
  c.exchange_key = read_key(r);
  c.sign_cert = r.blob();
  c.exchange_cert = r.blob();
  for (uint32_t n = r.count(); n; --n) {
    const uint16_t tag = r.u16();
    c.ext_info[tag] = r.blob();
  }
  return c;
}

application_record read_app(reader& r) {
  application_record a;
  a.id = r.u16();
  a.name = r.text();
  a.pins[PIN_ADMIN] = read_pin(r);
  a.pins[PIN_USER] = read_pin(r);
  a.create_rights = r.u32();
  for (uint32_t n = r.count(); n; --n) {
    file_record f;
    f.name = r.text();
    f.read_rights = r.u32();
    f.write_rights = r.u32();
    f.content = r.blob();
    a.files.push_back(std::move(f));
  }
  for (uint32_t n = r.count(); n; --n) a.containers.push_back(read_container(r));
  a.next_container_id = r.u16();
  for (uint32_t n = r.count(); n; --n) {
    fingerprint_record f;
    f.finger = r.u8();
    f.user_type = r.u8();
    f.descriptor = r.blob();
    f.container_id = r.u16();
    f.value = r.u8();
    a.fingers.push_back(std::move(f));
  }
  a.finger_max_retries = r.u8();
  a.finger_remaining = r.u8();
  a.finger_enabled = r.u8() != 0;
  return a;
}

}  // namespace

bytes encode_state(const device_record& d) {
  writer w;
  put_bytes(w.out, MAGIC);
  w.u8(FORMAT_VERSION);
  w.text(d.label);
  w.text(d.serial);
  w.blob(d.hardware_serial);
  w.blob(d.oem_area);
  w.blob(d.dev_auth_key);
  w.u8(d.dev_auth_max);
  w.u8(d.dev_auth_remaining);
  w.u8(d.has_fingerprint);
  w.u16(d.firmware_version);
  w.u16(d.buffer_size);
  w.u16(d.next_app_id);
  w.u32(static_cast<uint32_t>(d.apps.size()));
  for (const application_record& a : d.apps) write_app(w, a);
  return std::move(w.out);
}

std::optional<device_record> decode_state(std::span<const uint8_t> image) {
  try {
    reader r(image);
    auto magic = r.in.take(4);
    if (memcmp(magic.data(), MAGIC, 4) != 0 || r.u8() != FORMAT_VERSION) return std::nullopt;
    device_record d;
    d.label = r.text();
    d.serial = r.text();
    d.hardware_serial = r.blob();
    d.oem_area = r.blob();
    d.dev_auth_key = r.blob();
    d.dev_auth_max = r.u8();
    d.dev_auth_remaining = r.u8();
    d.has_fingerprint = r.u8() != 0;
    d.firmware_version = r.u16();
    d.buffer_size = r.u16();
    d.next_app_id = r.u16();
    for (uint32_t n = r.count(); n; --n) d.apps.push_back(read_app(r));
    if (r.in.remaining() != 0 || d.oem_area.size() != OEM_AREA_SIZE) return std::nullopt;
    return d;
  } catch (const token_error&) {
    return std::nullopt;
  }
}

namespace {

struct fd_guard {
  int fd;
  ~fd_guard() {
    if (fd >= 0) close(fd);
  }
};

bool write_all(int fd, std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string folder_of(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool save_state_file(const std::string& path, std::span<const uint8_t> image) {
  const std::string temp = path + ".tmp";
  {
    fd_guard out{open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)};
    if (out.fd < 0) return false;
    if (!write_all(out.fd, image) || fsync(out.fd) != 0) {
      unlink(temp.c_str());
      return false;
    }
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  // the rename itself must reach the disk before the answer goes out
  fd_guard folder{open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  return folder.fd >= 0 && fsync(folder.fd) == 0;
}

std::optional<bytes> load_state_file(const std::string& path) {
  fd_guard in{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) return std::nullopt;
  bytes image;
  uint8_t chunk[4096];
  for (;;) {
    const ssize_t n = read(in.fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    image.insert(image.end(), chunk, chunk + n);
  }
  return image;
}

}  // namespace tokensim
