// A boolean answer published for lock-free readers and invalidated by reloads.
#pragma once

#include <atomic>
#include <cstdint>

namespace runtime_toggles {

// Readers that find no answer compute one and publish it with the ticket
// they were given; an invalidation in between moves to the next generation,
// so an answer computed before a reload is never published after it.
class PublishedAnswer {
 public:
  // True with `value` set when an answer is published; otherwise `ticket`
  // is what publish() needs.
  bool read(bool& value, uint32_t& ticket) const {
    const uint32_t state = state_.load(std::memory_order_acquire);
    ticket = state;
    value = (state & kValue) != 0;
    return (state & kKnown) != 0;
  }

  // Publishes `value` unless an invalidation or another publication came
  // after `ticket` was taken.
  void publish(uint32_t ticket, bool value) {
    if (ticket & kKnown) return;
    const uint32_t answer = (ticket & ~(kKnown | kValue)) | kKnown | (value ? kValue : 0);
    state_.compare_exchange_strong(ticket, answer, std::memory_order_acq_rel,
                                   std::memory_order_relaxed);
  }

  void invalidate() {
    uint32_t state = state_.load(std::memory_order_relaxed);
    while (!state_.compare_exchange_weak(state, ((state >> 2) + 1) << 2,
                                         std::memory_order_acq_rel)) {
    }
  }

 private:
  static constexpr uint32_t kKnown = 2;
  static constexpr uint32_t kValue = 1;
  std::atomic<uint32_t> state_{0};  // generation << 2 | known << 1 | value
};

}  // namespace runtime_toggles
