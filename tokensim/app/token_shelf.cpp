#include "app/token_shelf.h"

#include <cerrno>
#include <cstring>

#include "app/handler_factory.h"
#include "bus/fault_plan.h"

namespace tokensim {

token_shelf::token_shelf(std::string bus_dir, std::string store_dir)
    : bus_dir_(std::move(bus_dir)), store_dir_(std::move(store_dir)), service_([this] { return snapshot(); }) {}

token_shelf::~token_shelf() {
  service_.stop();
  std::lock_guard lock(mutex_);
  tokens_.clear();
}

std::vector<std::shared_ptr<virtual_token>> token_shelf::snapshot() {
  std::lock_guard lock(mutex_);
  return tokens_;
}

virtual_token* token_shelf::find(const std::string& name) {
  for (auto& t : tokens_) {
    const std::string& path = t->path();
    if (path == name || path.substr(path.rfind('#') + 1) == name) return t.get();
  }
  return nullptr;
}

std::string token_shelf::plug(const std::string& variant_text, const std::string& serial, const std::string& faults) {
  const auto variant = variant_from_name(variant_text);
  if (!variant) return "error: unknown variant " + variant_text + " (hs, ctrl, long, scsi)";
  if (serial.empty() || serial.find_first_of("/#") != std::string::npos) return "error: bad serial";
  const auto plan = parse_fault_plan(faults);
  if (!plan) return "error: bad fault list " + faults;
  auto token = std::make_shared<virtual_token>(*variant, serial, make_command_handler({serial, store_dir_}));
  std::lock_guard lock(mutex_);
  if (find(token->path())) return "error: already plugged " + token->path();
  token->hub().set_fault(*plan);
  if (!token->plug(bus_dir_)) return "error: cannot plug " + token->path() + ": " + std::strerror(errno);
  tokens_.push_back(std::move(token));
  return "plugged " + tokens_.back()->path();
}

std::string token_shelf::unplug(const std::string& name) {
  std::shared_ptr<virtual_token> gone;
  {
    std::lock_guard lock(mutex_);
    virtual_token* t = find(name);
    if (!t) return "error: no token " + name;
    for (auto it = tokens_.begin(); it != tokens_.end(); ++it) {
      if (it->get() == t) {
        gone = std::move(*it);
        tokens_.erase(it);
        break;
      }
    }
  }
  gone->unplug();
  return "unplugged " + gone->path();
}

std::string token_shelf::set_fault(const std::string& name, const std::string& faults) {
  const auto plan = parse_fault_plan(faults);
  if (!plan) return "error: bad fault list " + faults;
  std::lock_guard lock(mutex_);
  virtual_token* t = find(name);
  if (!t) return "error: no token " + name;
  t->hub().set_fault(*plan);
  return "faults " + t->path() + " " + faults;
}

std::string token_shelf::set_limit(const std::string& name, const std::string& limit) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(limit.c_str(), &end, 10);
  if (limit.empty() || *end || value > 0xFFFFFFFFul) return "error: bad limit " + limit;
  std::lock_guard lock(mutex_);
  virtual_token* t = find(name);
  if (!t) return "error: no token " + name;
  t->hub().set_bulk_limit(uint32_t(value));
  return "limit " + t->path() + " " + limit;
}

std::string token_shelf::list() {
  std::lock_guard lock(mutex_);
  std::string text;
  for (auto& t : tokens_) {
    text += std::string(variant_name(t->variant())) + " " + t->path() + " commands=" +
            std::to_string(t->hub().commands()) + "\n";
  }
  return text.empty() ? "no tokens" : text.substr(0, text.size() - 1);
}

std::string token_shelf::start_service(const std::string& socket_path) {
  if (!service_.start(socket_path)) return "error: cannot serve " + socket_path + ": " + std::strerror(errno);
  return "serving " + socket_path;
}

std::vector<std::string> token_shelf::drop_removed() {
  std::vector<std::shared_ptr<virtual_token>> gone;
  {
    std::lock_guard lock(mutex_);
    for (auto it = tokens_.begin(); it != tokens_.end();) {
      if ((*it)->removed_externally()) {
        gone.push_back(std::move(*it));
        it = tokens_.erase(it);
      } else {
        ++it;
      }
    }
  }
  std::vector<std::string> paths;
  for (auto& t : gone) {
    t->unplug();
    paths.push_back(t->path());
  }
  return paths;
}

}  // namespace tokensim
