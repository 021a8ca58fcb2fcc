// What a recording costs the program beside its bus reads: formatting one row, and the resident
// memory after a million rows (rows stream to the file; nothing is kept).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "chip/channels.h"
#include "chip/local_time.h"
#include "chip/recording.h"
#include "chip/recording_session.h"
#include "chip/sampler.h"
#include "files/recording_file.h"
#include "resident_memory.h"

namespace {

// A chip that answers every read at once: what is left is the recorder's own work.
std::uint8_t InstantRead(std::uint8_t address) {
  return static_cast<std::uint8_t>(0x40 + address);
}

// Samples from that chip, with two alarms latched every time.
struct InstantChip {
  chip::AlarmStore alarms;
  chip::Sampler sampler{[this](std::uint8_t address) {
                          if (address == 0x41 || address == 0x42) alarms.Latch(0x01, 0x10);
                          return InstantRead(address);
                        },
                        alarms};
};

// One row as the window writes it with the default Channel Mode (ten channels), time stamp and
// file buffering included; the sample is read once, outside the loop.
void BM_RecorderRow(benchmark::State& state) {
  files::RecordingFile file("/dev/null");
  chip::RecordingSession session({"bench", {"SMBus", 0x2D, std::nullopt}, 0, {}}, file);
  InstantChip chip;
  const chip::Sample& sample = chip.sampler.Take();
  for (auto _ : state) {
    session.Row(sample, std::chrono::system_clock::now(), std::chrono::steady_clock::now());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecorderRow);

// Resident memory after 10,000 rows and after 1,000,000: the second must not have grown.
void BM_ResidentMemoryAfterMillionRows(benchmark::State& state) {
  for (auto _ : state) {
    files::RecordingFile file("/dev/null");
    auto now = std::chrono::steady_clock::now();
    chip::RecordingSession session({"bench", {"SMBus", 0x2D, std::nullopt}, 0, {}}, file);
    InstantChip chip;
    long early = 0;
    for (int row = 0; row < 1'000'000; ++row) {
      now += std::chrono::milliseconds(1);  // a 1 ms recording: a flush every 1000 rows
      session.Row(chip.sampler.Take(), std::chrono::system_clock::now(), now);
      if (row == 10'000) early = ResidentKilobytes();
    }
    state.counters["rss_10k_rows_kB"] = static_cast<double>(early);
    state.counters["rss_1M_rows_kB"] = static_cast<double>(ResidentKilobytes());
  }
}
BENCHMARK(BM_ResidentMemoryAfterMillionRows)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
