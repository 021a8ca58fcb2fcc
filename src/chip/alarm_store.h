#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace chip {

// INT Status 1 and 2 bits.
struct StatusSample {
  std::uint8_t status1 = 0;
  std::uint8_t status2 = 0;
  bool any() const { return (status1 | status2) != 0; }
  friend bool operator==(const StatusSample&, const StatusSample&) = default;
};

// The interrupt status bits of one chip that latched since each consumer last looked.
//
// Reading INT Status 1 or 2 clears the bits it reports, so whoever reads second would miss what
// the first reader saw. Every reader hands what it read to the store (Latch); each consumer (the
// recording, the notifications, the exporter, `watch`) holds a Subscription and takes what latched
// since its previous Take. Nothing is lost between two takes and nothing is counted twice by one
// consumer. Safe to use from several threads; Latch and Take never allocate.
class AlarmStore {
 public:
  static constexpr std::size_t kMaxSubscriptions = 16;

  class Subscription;

  AlarmStore();
  ~AlarmStore();
  AlarmStore(AlarmStore&&) noexcept;
  AlarmStore& operator=(AlarmStore&&) noexcept;

  // What one read of the status registers returned (0 for a register not read).
  void Latch(std::uint8_t status1, std::uint8_t status2);
  // A consumer that sees what latches from now on. Throws std::length_error beyond
  // kMaxSubscriptions live subscriptions.
  Subscription Subscribe();

  struct State;

 private:
  std::shared_ptr<State> state_;
};

class AlarmStore::Subscription {
 public:
  Subscription() = default;
  ~Subscription();
  Subscription(Subscription&& other) noexcept;
  Subscription& operator=(Subscription&& other) noexcept;

  // Everything that latched since the previous Take (or the subscription), and forgets it.
  StatusSample Take();
  // The same without forgetting.
  StatusSample Peek() const;
  bool valid() const { return state_ != nullptr; }

 private:
  friend class AlarmStore;
  Subscription(std::shared_ptr<State> state, std::size_t slot)
      : state_(std::move(state)), slot_(slot) {}
  void Release();

  std::shared_ptr<State> state_;
  std::size_t slot_ = 0;
};

}  // namespace chip
