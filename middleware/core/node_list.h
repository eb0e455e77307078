#pragma once
// The intrusive singly linked list that holds handle objects. Nodes never own
// their payloads, except where an operation says it deletes them.
#include <cstddef>
#include <string_view>

#include "skf.h"

namespace veltrakey {

class gm_handle;

struct mk_node {
  mk_node* next = nullptr;
  gm_handle* payload = nullptr;
  virtual ~mk_node();
};

class mk_node_list {
public:
  mk_node_list() = default;
  mk_node_list(const mk_node_list&) = delete;
  mk_node_list& operator=(const mk_node_list&) = delete;
  // Frees the nodes; the payloads are left to their owner.
  virtual ~mk_node_list();

  // Links the payload at the tail; the new element count (1 for a list that
  // was empty).
  size_t append(gm_handle* payload);
  // Unlinks the node of this payload without deleting it: 0, or 1 when absent.
  int remove(gm_handle* payload);
  // Deletes the payload with this handle value and its node: 0; on a list
  // that has others but not this one, SAR_FAIL; an empty list gives 0.
  ULONG remove_by_handle(uintptr_t handle_id);
  // Cursor iteration; neither is re-entrant.
  gm_handle* first();
  gm_handle* next();
  size_t count() const;
  // Frees every node; payloads stay.
  void clear();
  // The first payload whose name equals `name` byte for byte, or null.
  gm_handle* find_by_name(std::string_view name) const;
  // Deletes every payload with this name and its node; always 0.
  int delete_by_name(std::string_view name);
  // Deletes every payload and node.
  void delete_all();

  // Read-only walk for the lookups, independent of the cursor.
  class iterator {
  public:
    explicit iterator(mk_node* node) : node_(node) {}
    gm_handle* operator*() const { return node_->payload; }
    iterator& operator++() {
      node_ = node_->next;
      return *this;
    }
    bool operator!=(const iterator& other) const { return node_ != other.node_; }

  private:
    mk_node* node_;
  };
  iterator begin() const { return iterator(head_); }
  iterator end() const { return iterator(nullptr); }

private:
  mk_node* unlink(mk_node* previous, mk_node* node);

  mk_node* head_ = nullptr;
  mk_node* cursor_ = nullptr;
};

}  // namespace veltrakey
