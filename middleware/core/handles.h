#pragma once
// Handle objects and their ownership tree: device_list owns devices; a
// device owns its applications and digests; an application owns its
// containers; a container owns its session keys and MACs. Callers see only
// handle_id values, numbered from 0x3000 and never reused while the library
// is loaded.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/node_list.h"
#include "skf.h"

namespace veltrakey {

class device_base;  // the transport object of a connected token

enum class handle_kind : ULONG {
  digest = 0,
  session_key = 1,
  mac = 3,
  device = 4,
  container = 5,
  application = 6,
};

inline constexpr uintptr_t first_handle_id = 0x3000;

class gm_handle {
public:
  explicit gm_handle(handle_kind kind);
  gm_handle(const gm_handle&) = delete;
  gm_handle& operator=(const gm_handle&) = delete;
  virtual ~gm_handle();

  handle_kind kind() const { return kind_; }
  uintptr_t handle_id() const { return handle_id_; }
  // The value handed to callers.
  HANDLE as_handle() const { return reinterpret_cast<HANDLE>(handle_id_); }
  // The object's name for by-name searches; empty for unnamed kinds.
  virtual std::string_view name() const { return {}; }

private:
  handle_kind kind_;
  uintptr_t handle_id_;
};

inline uintptr_t handle_value(HANDLE h) { return reinterpret_cast<uintptr_t>(h); }

// A name kept in a fixed-capacity field: longer text is cut at the capacity.
template <size_t Capacity>
class name_field {
public:
  name_field() = default;
  explicit name_field(std::string_view text) : text_(text.substr(0, Capacity)) {}
  std::string_view view() const { return text_; }
  static constexpr size_t capacity = Capacity;

private:
  std::string text_;
};

class gm_sc_digest final : public gm_handle {
public:
  explicit gm_sc_digest(ULONG algorithm) : gm_handle(handle_kind::digest), algorithm(algorithm) {}
  ULONG algorithm;
  ULONG state = 1;
};

class gm_sc_key final : public gm_handle {
public:
  gm_sc_key(uint32_t key_id, ULONG algorithm, uint16_t container_id)
      : gm_handle(handle_kind::session_key), key_id(key_id), algorithm(algorithm), container_id(container_id) {}
  ~gm_sc_key() override;

  uint32_t key_id;
  ULONG algorithm;  // internal form
  uint16_t container_id;
  bool keep_on_token = false;  // closing the handle leaves the key in the token
  // Streaming state of the symmetric operations.
  BLOCKCIPHERPARAM cipher_param{};
  bool cipher_initialised = false;
  bool encrypting = false;
  std::vector<uint8_t> stream_buffer;
};

class gm_sc_mac final : public gm_handle {
public:
  gm_sc_mac(uint32_t key_id, ULONG algorithm, uint16_t container_id)
      : gm_handle(handle_kind::mac), key_id(key_id), algorithm(algorithm), container_id(container_id) {}
  uint32_t key_id;
  ULONG algorithm;
  uint16_t container_id;
};

class gm_sc_cont final : public gm_handle {
public:
  static constexpr size_t name_capacity = 128;
  gm_sc_cont(std::string_view name, uint16_t container_id, uint16_t application_id)
      : gm_handle(handle_kind::container), name_(name), container_id(container_id), application_id(application_id) {}
  // Deletes its session keys and MACs.
  ~gm_sc_cont() override;
  std::string_view name() const override { return name_.view(); }

private:
  name_field<name_capacity> name_;

public:
  uint16_t container_id;
  mk_node_list session_keys;
  mk_node_list macs;
  uint16_t application_id;
};

class gm_sc_app final : public gm_handle {
public:
  static constexpr size_t name_capacity = 32;
  static constexpr size_t open_answer_size = 10;
  gm_sc_app(std::string_view name, uint16_t application_id) : gm_handle(handle_kind::application), name_(name), application_id(application_id) {}
  // Deletes its containers.
  ~gm_sc_app() override;
  std::string_view name() const override { return name_.view(); }

private:
  name_field<name_capacity> name_;

public:
  uint16_t application_id;
  ULONG user_verified = 0;
  ULONG admin_verified = 0;
  std::array<uint8_t, open_answer_size> open_answer{};
  // Two further state words a vendor call may reset; nothing reads them.
  ULONG ext_state_1 = 0;
  ULONG ext_state_2 = 0;
  mk_node_list containers;
};

class gm_sc_dev final : public gm_handle {
public:
  static constexpr size_t name_capacity = 264;
  static constexpr uint32_t default_max_data = 1024;
  explicit gm_sc_dev(std::string_view name) : gm_handle(handle_kind::device), name_(name) {}
  // Deletes its applications and digests.
  ~gm_sc_dev() override;
  std::string_view name() const override { return name_.view(); }

private:
  name_field<name_capacity> name_;

public:
  device_base* transport = nullptr;  // owned by the device manager
  // The transport's path when connected: an object the manager later holds
  // at the same address for another path is not this token's.
  std::string transport_path;
  ULONG authenticated = 0;
  ULONG connected = 0;
  uint32_t max_data = default_max_data;
  uint32_t device_limit = 0;
  mk_node_list applications;
  mk_node_list digests;
};

// Owns every connected device.
class device_list_type : public mk_node_list {
public:
  ~device_list_type() override { delete_all(); }
};
extern device_list_type device_list;

// Lookups by handle value; each searches only where its kind lives and
// reports the owners met on the way. A miss leaves every pointer null.
struct found_application {
  gm_sc_dev* device = nullptr;
  gm_sc_app* application = nullptr;
};
struct found_container {
  gm_sc_dev* device = nullptr;
  gm_sc_app* application = nullptr;
  gm_sc_cont* container = nullptr;
};
struct found_session_key {
  gm_sc_dev* device = nullptr;
  gm_sc_app* application = nullptr;
  gm_sc_cont* container = nullptr;
  gm_sc_key* key = nullptr;
};
struct found_mac {
  gm_sc_dev* device = nullptr;
  gm_sc_app* application = nullptr;
  gm_sc_cont* container = nullptr;
  gm_sc_mac* mac = nullptr;
};
struct found_digest {
  gm_sc_dev* device = nullptr;
  gm_sc_digest* digest = nullptr;
};

// The lookups also drop a device's transport pointer once the manager no
// longer holds that transport for the device's path (the token went away),
// so a stale handle never reaches another token.
gm_sc_dev* find_device(HANDLE h);
void forget_stale_transport(gm_sc_dev* device);
found_application find_application(HANDLE h);
found_container find_container(HANDLE h);
found_session_key find_session_key(HANDLE h);
found_mac find_mac(HANDLE h);
found_digest find_digest(HANDLE h);
gm_sc_app* find_application_by_name(gm_sc_dev* device, std::string_view name);
gm_sc_cont* find_container_by_name(gm_sc_app* application, std::string_view name);

}  // namespace veltrakey
