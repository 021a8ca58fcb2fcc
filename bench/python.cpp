// The kelvran Python module against the kelvran program, each as a whole process on the
// simulated chip: samples a second through Python beside `kelvran watch --interval 0`, and
// read_recording of a recording of a million rows (time and peak memory) beside pandas' own CSV
// reader on the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr long kRecordingRows = 1000000;
const std::string kRecording = KELVRAN_BENCH_DIR "/million_rows.csv";

// Runs a program with its output thrown away and the package on the Python path; returns its
// resource use, or aborts the benchmark.
bool Run(std::vector<std::string> argv, rusage& usage, benchmark::State& state) {
  std::vector<std::string> env{"PYTHONPATH=" KELVRAN_PYTHON_DIR, "PYTHONDONTWRITEBYTECODE=1"};
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  std::vector<char*> args, envp;
  for (std::string& a : argv) args.push_back(a.data());
  for (std::string& e : env) envp.push_back(e.data());
  args.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    state.SkipWithError((argv[0] + " did not run to a clean exit").c_str());
    return false;
  }
  return true;
}

// Runs every iteration of one process and reports items a second and the peak resident set.
void Measure(benchmark::State& state, const std::vector<std::string>& argv, long items) {
  long peak_kib = 0;
  for (auto _ : state) {
    rusage usage{};
    if (!Run(argv, usage, state)) return;
    peak_kib = std::max(peak_kib, usage.ru_maxrss);
  }
  state.SetItemsProcessed(state.iterations() * items);
  state.counters["peak_rss_kib"] = static_cast<double>(peak_kib);
}

void BM_WatchIntervalZero(benchmark::State& state) {
  const std::string count = std::to_string(state.range(0));
  Measure(state,
          {KELVRAN_PROGRAM, "watch", "--simulate", "--medium=smbus", "--interval", "0", "--count",
           count, "--json"},
          state.range(0));
}

void BM_PythonSample(benchmark::State& state) {
  const std::string script =
      "import kelvran\nchip = kelvran.open(simulate=True, medium='smbus')\n"
      "for _ in range(" +
      std::to_string(state.range(0)) + "):\n    chip.sample()\n";
  Measure(state, {KELVRAN_PYTHON, "-c", script}, state.range(0));
}

// The recording is made once, by the program itself, and kept for later runs.
bool EnsureRecording(benchmark::State& state) {
  if (std::filesystem::exists(kRecording)) return true;
  rusage usage{};
  return Run({KELVRAN_PROGRAM, "record", kRecording, "--simulate", "--medium=smbus", "--interval",
              "0", "--count", std::to_string(kRecordingRows)},
             usage, state);
}

void BM_ReadRecording(benchmark::State& state) {
  if (!EnsureRecording(state)) return;
  Measure(state,
          {KELVRAN_PYTHON, "-c", "import sys, kelvran\nkelvran.read_recording(sys.argv[1])",
           kRecording},
          kRecordingRows);
}

// The baseline: pandas' CSV reader on the same file, '#' lines skipped and nothing else read.
void BM_PandasReadCsv(benchmark::State& state) {
  if (!EnsureRecording(state)) return;
  Measure(
      state,
      {KELVRAN_PYTHON, "-c",
       "import sys, pandas\npandas.read_csv(sys.argv[1], comment='#', index_col=0)", kRecording},
      kRecordingRows);
}

BENCHMARK(BM_WatchIntervalZero)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly()
    ->UseRealTime();
BENCHMARK(BM_PythonSample)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly()
    ->UseRealTime();
BENCHMARK(BM_ReadRecording)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly()
    ->UseRealTime();
BENCHMARK(BM_PandasReadCsv)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
