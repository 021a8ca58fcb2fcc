#include "widgets/trace_rows.h"

#include <algorithm>

namespace widgets {

void TraceRows::Reset(int columns, int rows) {
  columns_ = std::max(0, columns);
  rows_ = std::max(0, rows);
  words_ = (rows_ + 63) / 64;
  bits_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(words_), 0);
  occupied_.assign(static_cast<std::size_t>(words_), 0);
}

void TraceRows::ClearColumn(int column) {
  if (column < 0 || column >= columns_) return;
  const auto begin = bits_.begin() + static_cast<std::ptrdiff_t>(column) * words_;
  std::fill(begin, begin + words_, std::uint64_t{0});
}

void TraceRows::Mark(int column, int top, int bottom) {
  if (column < 0 || column >= columns_) return;
  if (top > bottom) std::swap(top, bottom);
  top = std::max(top, 0);
  bottom = std::min(bottom, rows_ - 1);
  std::uint64_t* words = bits_.data() + static_cast<std::ptrdiff_t>(column) * words_;
  // A word at a time: a tall span sets up to 64 rows at once.
  while (top <= bottom) {
    const int bit = top % 64;
    const int count = std::min(64 - bit, bottom - top + 1);
    const std::uint64_t run = count == 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << count) - 1);
    words[top / 64] |= run << bit;
    top += count;
  }
}

const std::vector<std::uint64_t>& TraceRows::Occupied() {
  std::fill(occupied_.begin(), occupied_.end(), std::uint64_t{0});
  const std::uint64_t* column = bits_.data();
  for (int c = 0; c < columns_; ++c, column += words_) {
    for (int w = 0; w < words_; ++w) occupied_[static_cast<std::size_t>(w)] |= column[w];
  }
  return occupied_;
}

}  // namespace widgets
