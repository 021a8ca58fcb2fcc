#pragma once

#include <chrono>
#include <cstdint>

#include "chip/recording.h"
#include "chip/recording_file.h"
#include "chip/sampler.h"

namespace chip {

// One recording from its header to its last row, from the samples of a Sampler: the window's
// recorder and `kelvran record` write the same file for the same chip.
class RecordingSession {
 public:
  using Wall = std::chrono::system_clock::time_point;
  using Steady = RecordingFile::Clock::time_point;

  // Nothing is written until the first row; header.channel_mode and header.start_time are filled
  // in from it.
  RecordingSession(RecordingHeader header, RecordingFile& file);

  // Writes one row. The first also writes the header (RecordingFile::Begin) and goes to the file
  // at once; a change of channels writes a '#' line and the new column names, a change of limits
  // a `# limits:` line. Throws RecordingError; RecordingRefused, before anything is written,
  // when the recording continued has other columns.
  void Row(const Sample& sample, Wall wall_now, Steady now);

  std::uint64_t rows() const { return rows_; }
  Steady started() const { return started_; }

 private:
  RecordingHeader header_;
  RecordingFile& file_;
  Steady started_{};
  std::uint64_t rows_ = 0;
};

}  // namespace chip
