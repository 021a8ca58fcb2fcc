#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "chip/channels.h"
#include "chip/recording.h"
#include "chip/recording_file.h"

namespace chip {

// One recording from its header to its last row, over any way of reading a register: the window
// reads through ReadRegister, the terminal program through its own link. Each row reads Channel
// Mode, the fan divisors when a fan is measured, and the value register of every channel the mode
// gives; it never reads the status registers (a read clears latched bits), so their columns carry
// what the caller hands in.
class RecordingSession {
 public:
  using Read = std::function<std::uint8_t(std::uint8_t address)>;
  using Wall = std::chrono::system_clock::time_point;
  using Steady = RecordingFile::Clock::time_point;

  // Writes the header and the column names for the chip's Channel Mode now. header.channel_mode
  // and header.start_time are filled in here. Throws RecordingError.
  RecordingSession(RecordingHeader header, Read read, RecordingFile& file, Wall wall_now,
                   Steady now);

  // Reads and writes one row. Throws RecordingError for the file; a read's own errors pass
  // through untouched.
  void Row(const std::optional<StatusSample>& status, Wall wall_now, Steady now);

  std::uint64_t rows() const { return rows_; }
  Steady started() const { return started_; }

 private:
  void UseMode(std::uint8_t channel_mode);

  Read read_;
  RecordingFile& file_;
  Steady started_;
  std::uint64_t rows_ = 0;
  int channel_mode_ = -1;
  ChannelSet channels_;
  bool any_fan_ = false;
  std::vector<RecordedChannel> columns_;
  std::vector<ChannelSample> samples_;
};

}  // namespace chip
