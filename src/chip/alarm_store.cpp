#include "chip/alarm_store.h"

#include <array>
#include <mutex>
#include <stdexcept>

namespace chip {

struct AlarmStore::State {
  std::mutex mutex;
  std::array<bool, kMaxSubscriptions> used{};
  std::array<StatusSample, kMaxSubscriptions> pending{};
};

AlarmStore::AlarmStore() : state_(std::make_shared<State>()) {}
AlarmStore::~AlarmStore() = default;
AlarmStore::AlarmStore(AlarmStore&&) noexcept = default;
AlarmStore& AlarmStore::operator=(AlarmStore&&) noexcept = default;

void AlarmStore::Latch(std::uint8_t status1, std::uint8_t status2) {
  if ((status1 | status2) == 0 || !state_) return;
  const std::scoped_lock lock(state_->mutex);
  for (std::size_t i = 0; i < kMaxSubscriptions; ++i) {
    if (!state_->used[i]) continue;
    state_->pending[i].status1 |= status1;
    state_->pending[i].status2 |= status2;
  }
}

AlarmStore::Subscription AlarmStore::Subscribe() {
  const std::scoped_lock lock(state_->mutex);
  for (std::size_t i = 0; i < kMaxSubscriptions; ++i) {
    if (state_->used[i]) continue;
    state_->used[i] = true;
    state_->pending[i] = {};
    return Subscription(state_, i);
  }
  throw std::length_error("too many readers of the chip's alarms");
}

AlarmStore::Subscription::~Subscription() {
  Release();
}

AlarmStore::Subscription::Subscription(Subscription&& other) noexcept
    : state_(std::move(other.state_)), slot_(other.slot_) {}

AlarmStore::Subscription& AlarmStore::Subscription::operator=(Subscription&& other) noexcept {
  if (this != &other) {
    Release();
    state_ = std::move(other.state_);
    slot_ = other.slot_;
  }
  return *this;
}

void AlarmStore::Subscription::Release() {
  if (!state_) return;
  {
    const std::scoped_lock lock(state_->mutex);
    state_->used[slot_] = false;
  }
  state_.reset();
}

StatusSample AlarmStore::Subscription::Take() {
  if (!state_) return {};
  const std::scoped_lock lock(state_->mutex);
  const StatusSample taken = state_->pending[slot_];
  state_->pending[slot_] = {};
  return taken;
}

StatusSample AlarmStore::Subscription::Peek() const {
  if (!state_) return {};
  const std::scoped_lock lock(state_->mutex);
  return state_->pending[slot_];
}

}  // namespace chip
