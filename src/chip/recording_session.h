#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "chip/recording.h"
#include "chip/sampler.h"
#include "files/recording_file.h"

namespace chip {

// One recording from its header to its last row, from the samples of a Sampler: the window's
// recorder and `kelvran record` write the same file for the same chip.
class RecordingSession {
 public:
  using Wall = std::chrono::system_clock::time_point;
  using Steady = files::RecordingFile::Clock::time_point;

  // Nothing is written until the first row; header.channel_mode and header.start_time are filled
  // in from it.
  // configuration1, Configuration 1 as the caller read it at the start: while START is clear the
  // header says the chip is not monitoring.
  RecordingSession(RecordingHeader header, files::RecordingFile& file,
                   std::optional<std::uint8_t> configuration1 = std::nullopt);

  // Writes one row. The first also writes the header (files::RecordingFile::Begin) and goes to the
  // file at once; a change of channels writes a '#' line and the new column names, a change of
  // limits a `# limits:` line. Throws RecordingError; RecordingRefused, before anything is written,
  // when the recording continued has other columns.
  void Row(const Sample& sample, Wall wall_now, Steady now);

  // Writes a '#' line of its own ("bus error at ..."), to the file at once like a row. Before the
  // first row it waits for the header and goes before that row.
  void Mark(std::string_view mark, Steady now);

  std::uint64_t rows() const { return rows_; }
  Steady started() const { return started_; }

 private:
  RecordingHeader header_;
  files::RecordingFile& file_;
  std::optional<std::uint8_t> configuration1_;
  Steady started_{};
  std::uint64_t rows_ = 0;
  std::string marks_before_first_row_;
};

}  // namespace chip
