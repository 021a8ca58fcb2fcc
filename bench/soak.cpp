// A soak run in one go: the sampler and the recorder, as `kelvran record` and the window run them,
// over millions of rows on the simulated chip, with one failed transfer in every 100,000. Every
// row counted must reach the file (a reader at the other end of a pipe counts them), the resident
// memory after 10^5 rows and at the end must be the same, and the time per row is what a row costs
// beside the bus itself.
//
//   build/default/bench/bench_soak --benchmark_filter=BM_Soak/10000000
//
// BM_SoakWithGaps is the long night of a real bench, through the sampler every unattended reader
// uses: a NACK in every 1000 transfers and the USB bridge unplugged for a second of simulated time
// every 10^5 samples, back each time under another number. Rows written plus samples missed must
// be the samples attempted, every gap must be marked at both ends, and the resident memory after
// 10^5 rows and at the end must be the same.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "access/link_new_com_port.h"
#include "access/unattended_sampler.h"
#include "buslink/bus_error.h"
#include "buslink/sim/simulated_hardware.h"
#include "chip/local_time.h"
#include "chip/recording_session.h"
#include "chip/sample_gaps.h"
#include "chip/sampler.h"
#include "files/recording_file.h"
#include "resident_memory.h"

namespace {

constexpr long kTransfersPerFault = 100'000;

// What reaches the read end of the pipe: rows, and the marks at each end of a gap with the samples
// each says it missed.
struct Counted {
  long rows = 0;
  long errors = 0;
  long resumed = 0;
  long missed = 0;
};

Counted CountLines(int fd) {
  Counted c;
  std::string line;
  char buffer[64 * 1024];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[i] != '\n') {
        if (line.size() < 256) line.push_back(buffer[i]);
        continue;
      }
      if (!line.empty() && line[0] >= '0' && line[0] <= '9') ++c.rows;
      if (line.starts_with("# bus error at ")) ++c.errors;
      if (line.starts_with("# resumed at ")) {
        ++c.resumed;
        const std::size_t comma = line.rfind(", ");
        if (comma != std::string::npos) c.missed += std::stol(line.substr(comma + 2));
      }
      line.clear();
    }
  }
  return c;
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
    std::thread reader([&] { rows_in_file = CountLines(pipe_fds[0]).rows; });

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

constexpr long kTransfersPerNack = 1000;

buslink::sim::Fault NackAfter(long transfers) {
  buslink::sim::Fault fault;
  fault.skip = static_cast<int>(transfers - 1);
  fault.times = 1;
  return fault;
}

void BM_SoakWithGaps(benchmark::State& state) {
  const long wanted = state.range(0);
  // One sample a millisecond of simulated time: 10^5 samples are 100 s.
  constexpr auto kStep = std::chrono::milliseconds(1);
  for (auto _ : state) {
    buslink::sim::SimulatedHardware hardware(buslink::sim::Scenario::FromJson(
        R"({"i2c_adapters": [{"number": 1, "name": "CP2112 SMBus Bridge", "parent": "usb",
              "chips": [{"address": "0x2D"}],
              "unplug": {"at": "100s", "for": "1s", "renumber": 9, "every": "100s"}}],
            "chip": {"registers": {"0x40": "0x01"}}})",
        "soak.json"));
    hardware.Clock().Set(0);
    devaccess::Declarations d(&hardware);
    d.EnsureBusLink().SetMedium(buslink::BusMedium::SMBus);
    d.EnsureBusLink().SMBus().SelectAdapter(1);
    d.comms_medium = 0;
    d.device_address = 0x2D;
    devaccess::ChipIdentity identity;
    identity.adapter = d.EnsureBusLink().SMBus().Adapters().front();
    identity.address7 = 0x2D;
    devaccess::ReadIdentity(d, identity);
    hardware.AddFault(NackAfter(kTransfersPerNack));

    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
      state.SkipWithError("no pipe");
      return;
    }
    Counted counted;
    std::thread reader([&] { counted = CountLines(pipe_fds[0]); });

    long rows = 0;
    long attempts = 0;
    long resident_early = 0;
    std::uint64_t gaps = 0;
    std::uint64_t missed = 0;
    const auto started = std::chrono::steady_clock::now();
    {
      files::RecordingFile file("/proc/self/fd/" + std::to_string(pipe_fds[1]));
      chip::RecordingSession session({"bench", {"SMBus", 0x2D, std::nullopt}, 0, {}}, file);
      devaccess::UnattendedSampler sampler(d, identity);
      auto steady = std::chrono::steady_clock::time_point{};
      while (rows < wanted) {
        ++attempts;
        steady += kStep;
        hardware.Clock().Set(std::chrono::duration<double>(steady.time_since_epoch()).count());
        const devaccess::UnattendedSampler::Attempt a = sampler.Take(steady);
        const auto wall = std::chrono::system_clock::now();
        if (a.change != chip::SampleGaps::Change::None) {
          const chip::SampleGaps& g = sampler.gaps();
          const std::string time = chip::IsoLocalTime(wall);
          session.Mark(a.change == chip::SampleGaps::Change::Lost
                           ? chip::BusErrorMark(time, g.error())
                           : chip::ResumedMark(time, g.length(steady).count(), g.missed()),
                       steady);
        }
        if (a.sample != nullptr) {
          session.Row(*a.sample, wall, steady);
          ++rows;
        } else if (a.bus_error && sampler.gaps().error().find("on purpose") != std::string::npos) {
          hardware.ClearFaults();  // the NACK fired: the next one comes 1000 transfers later
          hardware.AddFault(NackAfter(kTransfersPerNack));
        }
        if (rows == 100'000 && resident_early == 0) resident_early = ResidentKilobytes();
      }
      file.Close();
      gaps = sampler.gaps().gaps();
      missed = sampler.gaps().missed_total();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ::close(pipe_fds[1]);
    reader.join();
    ::close(pipe_fds[0]);
    state.counters["attempts"] = static_cast<double>(attempts);
    state.counters["rows_in_file"] = static_cast<double>(counted.rows);
    state.counters["missed"] = static_cast<double>(missed);
    state.counters["gaps"] = static_cast<double>(gaps);
    state.counters["gap_marks"] = static_cast<double>(counted.errors);
    state.counters["resumed_marks"] = static_cast<double>(counted.resumed);
    state.counters["rss_1e5_rows_kB"] = static_cast<double>(resident_early);
    state.counters["rss_end_kB"] = static_cast<double>(ResidentKilobytes());
    state.counters["us_per_attempt"] = seconds * 1e6 / static_cast<double>(attempts);
    if (counted.rows + static_cast<long>(missed) != attempts) {
      state.SkipWithError("rows written and samples missed are not the samples attempted");
    } else if (counted.errors != static_cast<long>(gaps) || counted.resumed != counted.errors ||
               counted.missed != static_cast<long>(missed)) {
      state.SkipWithError("a gap went unmarked");
    }
  }
}
BENCHMARK(BM_SoakWithGaps)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
