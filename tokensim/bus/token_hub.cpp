#include "bus/token_hub.h"

namespace tokensim {

token_hub::token_hub(std::shared_ptr<command_handler> handler)
    : handler_(std::move(handler)),
      bulk_([](uint32_t, uint8_t, const std::vector<uint8_t>& block) { return block; }) {}

std::vector<uint8_t> token_hub::run(const uint8_t* command, size_t length) {
  std::lock_guard lock(mutex_);
  ++commands_;
  return handler_->handle(command, length);
}

std::vector<uint8_t> token_hub::run_bulk(uint32_t algorithm, uint8_t direction, const std::vector<uint8_t>& block) {
  std::lock_guard lock(mutex_);
  return bulk_(algorithm, direction, block);
}

fault_plan token_hub::take_fault() {
  std::lock_guard lock(mutex_);
  if (!fault_.any()) return fault_;
  fault_plan now = fault_;
  if (fault_.commands && --fault_left_ == 0) fault_ = fault_plan();
  return now;
}

void token_hub::set_fault(const fault_plan& plan) {
  std::lock_guard lock(mutex_);
  fault_ = plan;
  fault_left_ = plan.commands;
}

void token_hub::set_bulk_processor(bulk_processor processor) {
  std::lock_guard lock(mutex_);
  bulk_ = std::move(processor);
}

void token_hub::set_bulk_limit(uint32_t limit) {
  std::lock_guard lock(mutex_);
  bulk_limit_ = limit;
}

uint32_t token_hub::bulk_limit() const {
  std::lock_guard lock(mutex_);
  return bulk_limit_;
}

unsigned token_hub::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

}  // namespace tokensim
