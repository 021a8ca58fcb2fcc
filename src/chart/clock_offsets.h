#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace chart {

// How far the wall clock stood from the chart's steady clock, and from which time on: the steady
// clock stands still while the machine sleeps and NTP may step the wall clock, so a point's wall
// time is its steady time plus the offset in force when it was taken, not the one of today.
// Holds the last kCapacity changes in a fixed ring: noting one never allocates.
class ClockOffsets {
 public:
  static constexpr std::size_t kCapacity = 256;
  // A move of less than this is the two clocks' jitter, not a change.
  static constexpr std::int64_t kToleranceNs = 5'000'000;

  // From steady time on (no earlier than the last noted), the wall clock stands offset ahead.
  void Note(std::int64_t steady_ns, std::int64_t offset_ns);
  // The offset in force at steady time: of the last change at or before it, else of the oldest
  // change kept, else fallback.
  std::int64_t OffsetAt(std::int64_t steady_ns, std::int64_t fallback) const;
  void Clear() { count_ = 0; }

 private:
  struct Change {
    std::int64_t steady_ns;
    std::int64_t offset_ns;
  };
  const Change& At(std::size_t i) const { return ring_[(first_ + i) % kCapacity]; }

  std::array<Change, kCapacity> ring_{};
  std::size_t first_ = 0;
  std::size_t count_ = 0;
};

}  // namespace chart
