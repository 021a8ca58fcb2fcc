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
  const auto all = AllChannels();
  std::size_t place = 0;
  while (place < all.size() && all[place] != &channel) ++place;
  if (place == all.size()) return;
  const auto s = static_cast<std::size_t>(slot);
  if (rows_.empty() || Newest().time != time || Newest().channel[s] != 0) {
    if (rows_.size() < capacity_) {
      rows_.emplace_back();
    } else {
      rows_[first_] = Row{};
      first_ = (first_ + 1) % capacity_;
    }
    Newest().time = time;
  }
  const auto divisor_bits =
      static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(divisor)) & 3);
  Newest().channel[s] = static_cast<std::uint8_t>((place + 1) | (divisor_bits << kDivisorShift));
  Newest().raw[s] = raw;
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
