#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "chip/recording_reader.h"

namespace test_support {

// How many rows the recording reader takes from text, or nullopt when its last line is cut short;
// a line the reader refuses throws. Whether a file the programs wrote opens in the review.
inline std::optional<int> RowsRead(std::string_view text) {
  struct Rows : chip::RecordingSink {
    void Columns(std::span<const chip::RecordedColumn>, bool) override {}
    void Row(const chip::RecordedRow&) override { ++rows; }
    int rows = 0;
  } rows;
  chip::RecordingReader reader(rows);
  reader.Feed(text);
  if (reader.Finish() != 0u) return std::nullopt;
  return rows.rows;
}

}  // namespace test_support
