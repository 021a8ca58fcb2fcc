#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "chip/sampler.h"

namespace chip {

// Raw readings as a reader took them, a row per moment with a slot per reading, kept in a ring of
// a fixed number of rows (the oldest go). They are converted only when asked for, as every other
// reader converts them: a file written from them holds what a recording of the same readings
// holds. A row takes 24 bytes; the ring grows as rows come, so once full it never allocates.
class ReadingHistory {
 public:
  static constexpr int kSlots = 8;

  explicit ReadingHistory(std::size_t capacity) : capacity_(capacity) {}

  // A reading of channel at time (nanoseconds of the taker's clock): it joins the newest row
  // when that row is at this time and has nothing in slot yet, and starts a new row otherwise.
  // Slots outside 0 .. kSlots-1 and channels outside the channel table are ignored.
  void Add(std::int64_t time, int slot, const Channel& channel, std::uint8_t raw, int divisor);

  std::size_t Size() const { return rows_.size(); }
  // Row 0 is the oldest kept.
  std::int64_t TimeAt(std::size_t row) const { return At(row).time; }
  // The reading in slot of row, or nothing where the row has none.
  std::optional<ChannelReading> ReadingAt(std::size_t row, int slot) const;

 private:
  struct Row {
    std::int64_t time = 0;
    // The channel's place in the channel table plus one (0: no reading), and above it the bits
    // of its fan divisor.
    std::array<std::uint8_t, kSlots> channel{};
    std::array<std::uint8_t, kSlots> raw{};
  };
  const Row& At(std::size_t row) const { return rows_[(first_ + row) % rows_.size()]; }

  std::size_t capacity_;
  std::vector<Row> rows_;
  std::size_t first_ = 0;                       // where row 0 sits once the ring is full
  std::size_t newest_ = 0;                      // where the newest row sits
  std::array<const Channel*, kSlots> known_{};  // the channel each slot held last
  std::array<std::uint8_t, kSlots> known_place_{};
};

}  // namespace chip
