#include "chart/clock_offsets.h"

namespace chart {

void ClockOffsets::Note(std::int64_t steady_ns, std::int64_t offset_ns) {
  if (count_ > 0) {
    const std::int64_t moved = offset_ns - At(count_ - 1).offset_ns;
    if (moved < kToleranceNs && moved > -kToleranceNs) return;
  }
  if (count_ == kCapacity) {
    first_ = (first_ + 1) % kCapacity;
    --count_;
  }
  ring_[(first_ + count_) % kCapacity] = {steady_ns, offset_ns};
  ++count_;
}

std::int64_t ClockOffsets::OffsetAt(std::int64_t steady_ns, std::int64_t fallback) const {
  if (count_ == 0) return fallback;
  // The first change after steady_ns; the one before it is in force.
  std::size_t low = 0;
  std::size_t high = count_;
  while (low < high) {
    const std::size_t mid = (low + high) / 2;
    if (At(mid).steady_ns <= steady_ns) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return At(low == 0 ? 0 : low - 1).offset_ns;
}

}  // namespace chart
