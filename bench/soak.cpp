// A soak run in one go: the sampler and the recorder, as `kelvran record` and the window run them,
// over millions of rows on the simulated chip, with one failed transfer in every 100,000. Every
// row counted must reach the file (a reader at the other end of a pipe counts them), the resident
// memory after 10^5 rows and at the end must be the same, and the time per row is what a row costs
// beside the bus itself.
//
//   build/default/bench/bench_soak --benchmark_filter=BM_Soak/10000000
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "access/link_new_com_port.h"
#include "buslink/bus_error.h"
#include "buslink/sim/simulated_hardware.h"
#include "chip/recording_session.h"
#include "chip/sampler.h"
#include "files/recording_file.h"
#include "resident_memory.h"

namespace {

constexpr long kTransfersPerFault = 100'000;

// The rows that reach the read end of a pipe: lines that start with a digit (the time stamp), not
// '#' lines nor column names.
long CountRows(int fd) {
  long rows = 0;
  bool line_start = true;
  char buffer[64 * 1024];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (line_start && buffer[i] >= '0' && buffer[i] <= '9') ++rows;
      line_start = buffer[i] == '\n';
    }
  }
  return rows;
}

buslink::sim::Fault EveryHundredThousandth() {
  buslink::sim::Fault fault;
  fault.skip = kTransfersPerFault - 1;
  fault.times = 1;
  fault.error = buslink::ErrorCode::Timeout;
  return fault;
}

void BM_Soak(benchmark::State& state) {
  const long wanted = state.range(0);
  for (auto _ : state) {
    buslink::sim::Scenario scenario = buslink::sim::Scenario::BuiltIn();
    buslink::sim::SimulatedHardware hardware(scenario);
    devaccess::Declarations d(&hardware);
    d.comms_medium = 0;
    d.device_address = 0x2D;
    devaccess::WriteAt(d, 0x40, 0x01);  // START: the chip converts and compares
    hardware.AddFault(EveryHundredThousandth());

    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
      state.SkipWithError("no pipe");
      return;
    }
    long rows_in_file = 0;
    std::thread reader([&] { rows_in_file = CountRows(pipe_fds[0]); });

    long rows = 0;
    long failures = 0;
    long resident_early = 0;
    const auto started = std::chrono::steady_clock::now();
    {
      files::RecordingFile file("/proc/self/fd/" + std::to_string(pipe_fds[1]));
      chip::RecordingSession session({"bench", {"SMBus", 0x2D, std::nullopt}, 0, {}}, file);
      chip::Sampler sampler(
          [&d](std::uint8_t address) {
            return static_cast<std::uint8_t>(devaccess::ReadAt(d, address));
          },
          d.alarm_store);
      auto steady = std::chrono::steady_clock::now();
      while (rows < wanted) {
        try {
          const chip::Sample& sample = sampler.Take();
          steady += std::chrono::milliseconds(1);  // a 1 ms recording: a flush every 1000 rows
          session.Row(sample, std::chrono::system_clock::now(), steady);
          ++rows;
        } catch (const buslink::BusError&) {
          // As the recorder goes on after a failed sample: the row is not written, the next
          // sample starts afresh.
          ++failures;
          hardware.ClearFaults();
          hardware.AddFault(EveryHundredThousandth());
        }
        if (rows == 100'000 && resident_early == 0) resident_early = ResidentKilobytes();
      }
      file.Close();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ::close(pipe_fds[1]);
    reader.join();
    ::close(pipe_fds[0]);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rows_in_file"] = static_cast<double>(rows_in_file);
    state.counters["failed_samples"] = static_cast<double>(failures);
    state.counters["rss_1e5_rows_kB"] = static_cast<double>(resident_early);
    state.counters["rss_end_kB"] = static_cast<double>(ResidentKilobytes());
    state.counters["us_per_row"] = seconds * 1e6 / static_cast<double>(rows);
    if (rows_in_file != rows) state.SkipWithError("rows were lost on their way to the file");
  }
}
BENCHMARK(BM_Soak)
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
