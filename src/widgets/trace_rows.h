#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace widgets {

// Which rows of each column of a strip chart's trace image hold trace pixels, one bit per row.
// When time moves the traces along, only the rows that a trace crosses before or after the move
// change on screen: every other row shows the fixed background and grid, so a chart of a few
// flat traces repaints a few bands, not its whole plot.
class TraceRows {
 public:
  // Sizes for an image; every column empty.
  void Reset(int columns, int rows);
  void ClearColumn(int column);
  // Rows top .. bottom (either order, clamped to the image) of a column hold trace pixels.
  void Mark(int column, int top, int bottom);
  // Calls row(r) for each row r of a column that holds trace pixels, top to bottom.
  template <typename Row>
  void ForEachMarked(int column, Row row) const {
    if (column < 0 || column >= columns_) return;
    const std::uint64_t* words = bits_.data() + static_cast<std::ptrdiff_t>(column) * words_;
    for (int w = 0; w < words_; ++w) {
      for (std::uint64_t bits = words[w]; bits != 0; bits &= bits - 1) {
        row(w * 64 + std::countr_zero(bits));
      }
    }
  }
  // The rows that hold trace pixels in any column: bit r of word r / 64 is row r.
  const std::vector<std::uint64_t>& Occupied();

 private:
  int columns_ = 0;
  int rows_ = 0;
  int words_ = 0;                    // words per column
  std::vector<std::uint64_t> bits_;  // column after column
  std::vector<std::uint64_t> occupied_;
};

// Calls band(top, bottom) for each run of consecutive rows set in either of two row sets of the
// same size, top to bottom.
template <typename Band>
void ForEachBand(const std::vector<std::uint64_t>& a, const std::vector<std::uint64_t>& b, int rows,
                 Band band) {
  int top = -1;
  for (int r = 0; r < rows; ++r) {
    const auto w = static_cast<std::size_t>(r / 64);
    const std::uint64_t bit = std::uint64_t{1} << (r % 64);
    const bool set = ((a[w] | b[w]) & bit) != 0;
    if (set && top < 0) top = r;
    if (!set && top >= 0) {
      band(top, r - 1);
      top = -1;
    }
  }
  if (top >= 0) band(top, rows - 1);
}

}  // namespace widgets
