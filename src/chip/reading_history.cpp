#include "chip/reading_history.h"

#include <bit>

namespace chip {

namespace {

constexpr int kDivisorShift = 4;
constexpr std::uint8_t kPlaceMask = (1 << kDivisorShift) - 1;

}  // namespace

void ReadingHistory::Add(std::int64_t time, int slot, const Channel& channel, std::uint8_t raw,
                         int divisor) {
  if (slot < 0 || slot >= kSlots || capacity_ == 0) return;
  const auto s = static_cast<std::size_t>(slot);
  // A slot holds the same channel tick after tick: its place is looked up only when it changes.
  if (known_[s] != &channel) {
    const auto all = AllChannels();
    std::size_t place = 0;
    while (place < all.size() && all[place] != &channel) ++place;
    if (place == all.size()) return;
    known_[s] = &channel;
    known_place_[s] = static_cast<std::uint8_t>(place + 1);
  }
  if (rows_.empty() || rows_[newest_].time != time || rows_[newest_].channel[s] != 0) {
    if (rows_.size() < capacity_) {
      newest_ = rows_.size();
      rows_.emplace_back();
    } else {
      newest_ = first_;
      rows_[newest_] = Row{};
      first_ = first_ + 1 == capacity_ ? 0 : first_ + 1;
    }
    rows_[newest_].time = time;
  }
  Row& row = rows_[newest_];
  const auto divisor_bits =
      static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(divisor)) & 3);
  row.channel[s] = static_cast<std::uint8_t>(known_place_[s] | (divisor_bits << kDivisorShift));
  row.raw[s] = raw;
}

std::optional<ChannelReading> ReadingHistory::ReadingAt(std::size_t row, int slot) const {
  if (row >= rows_.size() || slot < 0 || slot >= kSlots) return std::nullopt;
  const Row& r = At(row);
  const auto s = static_cast<std::size_t>(slot);
  const int code = r.channel[s];
  if (code == 0) return std::nullopt;
  const Channel& channel = *AllChannels()[static_cast<std::size_t>((code & kPlaceMask) - 1)];
  return ReadingOf(channel, r.raw[s], 1 << (code >> kDivisorShift));
}

}  // namespace chip
