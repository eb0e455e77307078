#pragma once
// The tokens one program run has plugged in, and what it serves for them.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bus/io_service.h"
#include "bus/virtual_token.h"

namespace tokensim {

class token_shelf {
public:
  explicit token_shelf(std::string bus_dir, std::string store_dir);
  ~token_shelf();

  // Each returns a line for the user.
  std::string plug(const std::string& variant, const std::string& serial, const std::string& faults);
  std::string unplug(const std::string& name);
  std::string set_fault(const std::string& name, const std::string& faults);
  std::string set_limit(const std::string& name, const std::string& limit);
  std::string list();
  std::string start_service(const std::string& socket_path);
  // Drops tokens whose socket someone else removed; their paths.
  std::vector<std::string> drop_removed();

private:
  virtual_token* find(const std::string& name);
  std::vector<std::shared_ptr<virtual_token>> snapshot();

  std::string bus_dir_;
  std::string store_dir_;
  std::mutex mutex_;
  std::vector<std::shared_ptr<virtual_token>> tokens_;
  io_service service_;
};

}  // namespace tokensim
