#pragma once
// What all connections of one virtual token share: the command handler, the
// bulk cipher, the bulk limit and the fault plan. Thread-safe.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "bus/fault_plan.h"
#include "core/command_handler.h"

namespace tokensim {

// Processes one padded bulk block (algorithm, direction 1 encrypt / 0 decrypt).
using bulk_processor =
    std::function<std::vector<uint8_t>(uint32_t algorithm, uint8_t direction, const std::vector<uint8_t>& block)>;

class token_hub {
public:
  explicit token_hub(std::shared_ptr<command_handler> handler);

  std::vector<uint8_t> run(const uint8_t* command, size_t length);
  std::vector<uint8_t> run_bulk(uint32_t algorithm, uint8_t direction, const std::vector<uint8_t>& block);
  // The plan for the next command; counts it against the plan's budget.
  fault_plan take_fault();
  void set_fault(const fault_plan& plan);
  // Until a cipher is plugged in, bulk blocks come back unchanged.
  void set_bulk_processor(bulk_processor processor);
  // 0 makes the limit query fail.
  void set_bulk_limit(uint32_t limit);
  uint32_t bulk_limit() const;
  // Commands handled so far.
  unsigned commands() const;

private:
  mutable std::mutex mutex_;
  std::shared_ptr<command_handler> handler_;
  bulk_processor bulk_;
  fault_plan fault_;
  unsigned fault_left_ = 0;
  uint32_t bulk_limit_ = 4096;
  unsigned commands_ = 0;
};

}  // namespace tokensim
