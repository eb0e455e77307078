#include "core/node_list.h"

#include "core/handles.h"

namespace veltrakey {

mk_node::~mk_node() {
  next = nullptr;
  payload = nullptr;
}

mk_node_list::~mk_node_list() { clear(); }

size_t mk_node_list::append(gm_handle* payload) {
  auto* node = new mk_node;
  node->payload = payload;
  if (head_ == nullptr) {
    head_ = node;
    return 1;
  }
  size_t n = 1;
  mk_node* tail = head_;
  for (; tail->next != nullptr; tail = tail->next) ++n;
  tail->next = node;
  return n + 1;
}

mk_node* mk_node_list::unlink(mk_node* previous, mk_node* node) {
  mk_node* following = node->next;
  if (previous == nullptr)
    head_ = following;
  else
    previous->next = following;
  if (cursor_ == node) cursor_ = previous;
  delete node;
  return following;
}

int mk_node_list::remove(gm_handle* payload) {
  mk_node* previous = nullptr;
  for (mk_node* node = head_; node != nullptr; previous = node, node = node->next) {
    if (node->payload == payload) {
      unlink(previous, node);
      return 0;
    }
  }
  return 1;
}

ULONG mk_node_list::remove_by_handle(uintptr_t handle_id) {
  if (head_ == nullptr) return SAR_OK;
  mk_node* previous = nullptr;
  for (mk_node* node = head_; node != nullptr; previous = node, node = node->next) {
    if (node->payload->handle_id() == handle_id) {
      gm_handle* payload = node->payload;
      unlink(previous, node);
      delete payload;
      return SAR_OK;
    }
  }
  return SAR_FAIL;
}

gm_handle* mk_node_list::first() {
  cursor_ = head_;
  return cursor_ ? cursor_->payload : nullptr;
}

gm_handle* mk_node_list::next() {
  cursor_ = cursor_ ? cursor_->next : head_;
  return cursor_ ? cursor_->payload : nullptr;
}

size_t mk_node_list::count() const {
  size_t n = 0;
  for (mk_node* node = head_; node != nullptr; node = node->next) ++n;
  return n;
}

void mk_node_list::clear() {
  while (head_ != nullptr) {
    mk_node* following = head_->next;
    delete head_;
    head_ = following;
  }
  cursor_ = nullptr;
}

gm_handle* mk_node_list::find_by_name(std::string_view name) const {
  for (gm_handle* payload : *this)
    if (payload->name() == name) return payload;
  return nullptr;
}

int mk_node_list::delete_by_name(std::string_view name) {
  while (gm_handle* payload = find_by_name(name)) {
    remove(payload);
    delete payload;
  }
  return 0;
}

void mk_node_list::delete_all() {
  while (head_ != nullptr) {
    gm_handle* payload = head_->payload;
    unlink(nullptr, head_);
    delete payload;
  }
}

}  // namespace veltrakey
