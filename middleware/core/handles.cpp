#include "core/handles.h"

#include <string.h>

namespace veltrakey {

namespace {
// Library-wide; touched only under the library lock.
uintptr_t next_handle_id = first_handle_id;
}  // namespace

gm_handle::gm_handle(handle_kind kind) : kind_(kind), handle_id_(next_handle_id++) {}

gm_handle::~gm_handle() = default;

gm_sc_key::~gm_sc_key() {
  // The buffer may hold plain text of a streaming operation.
  if (!stream_buffer.empty()) explicit_bzero(stream_buffer.data(), stream_buffer.size());
  explicit_bzero(&cipher_param, sizeof cipher_param);
}

gm_sc_cont::~gm_sc_cont() {
  session_keys.delete_all();
  macs.delete_all();
}

gm_sc_app::~gm_sc_app() { containers.delete_all(); }

gm_sc_dev::~gm_sc_dev() {
  applications.delete_all();
  // Nothing can reach a digest once its device is gone, so it goes too.
  digests.delete_all();
}

namespace {

template <class T>
T* find_in(const mk_node_list& list, uintptr_t id) {
  for (gm_handle* payload : list)
    if (payload->handle_id() == id) return static_cast<T*>(payload);
  return nullptr;
}

}  // namespace

gm_sc_dev* find_device(HANDLE h) {
  gm_sc_dev* device = find_in<gm_sc_dev>(device_list, handle_value(h));
  if (device) forget_stale_transport(device);
  return device;
}

found_application find_application(HANDLE h) {
  const uintptr_t id = handle_value(h);
  for (gm_handle* d : device_list) {
    auto* device = static_cast<gm_sc_dev*>(d);
    if (auto* app = find_in<gm_sc_app>(device->applications, id)) {
      forget_stale_transport(device);
      return {device, app};
    }
  }
  return {};
}

found_container find_container(HANDLE h) {
  const uintptr_t id = handle_value(h);
  for (gm_handle* d : device_list) {
    auto* device = static_cast<gm_sc_dev*>(d);
    for (gm_handle* a : device->applications) {
      auto* app = static_cast<gm_sc_app*>(a);
      if (auto* cont = find_in<gm_sc_cont>(app->containers, id)) {
        forget_stale_transport(device);
        return {device, app, cont};
      }
    }
  }
  return {};
}

namespace {

// Walks every container, calling `visit` until it returns true.
template <class Visit>
void for_each_container(Visit visit) {
  for (gm_handle* d : device_list) {
    auto* device = static_cast<gm_sc_dev*>(d);
    for (gm_handle* a : device->applications) {
      auto* app = static_cast<gm_sc_app*>(a);
      for (gm_handle* c : app->containers)
        if (visit(device, app, static_cast<gm_sc_cont*>(c))) {
          forget_stale_transport(device);
          return;
        }
    }
  }
}

}  // namespace

found_session_key find_session_key(HANDLE h) {
  const uintptr_t id = handle_value(h);
  found_session_key found;
  for_each_container([&](gm_sc_dev* device, gm_sc_app* app, gm_sc_cont* cont) {
    if (auto* key = find_in<gm_sc_key>(cont->session_keys, id)) found = {device, app, cont, key};
    return found.key != nullptr;
  });
  return found;
}

found_mac find_mac(HANDLE h) {
  const uintptr_t id = handle_value(h);
  found_mac found;
  for_each_container([&](gm_sc_dev* device, gm_sc_app* app, gm_sc_cont* cont) {
    if (auto* mac = find_in<gm_sc_mac>(cont->macs, id)) found = {device, app, cont, mac};
    return found.mac != nullptr;
  });
  return found;
}

found_digest find_digest(HANDLE h) {
  const uintptr_t id = handle_value(h);
  for (gm_handle* d : device_list) {
    auto* device = static_cast<gm_sc_dev*>(d);
    if (auto* digest = find_in<gm_sc_digest>(device->digests, id)) {
      forget_stale_transport(device);
      return {device, digest};
    }
  }
  return {};
}

gm_sc_app* find_application_by_name(gm_sc_dev* device, std::string_view name) {
  return device ? static_cast<gm_sc_app*>(device->applications.find_by_name(name)) : nullptr;
}

gm_sc_cont* find_container_by_name(gm_sc_app* application, std::string_view name) {
  return application ? static_cast<gm_sc_cont*>(application->containers.find_by_name(name)) : nullptr;
}

}  // namespace veltrakey
