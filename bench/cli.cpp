// kelvran as a whole process on the simulated chip: how many watch samples a second it writes as
// CSV with no interval, its peak memory while doing so, and how long a dump takes from start to
// exit.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs kelvran with its output thrown away; returns its resource use, or aborts the benchmark.
bool RunKelvran(const std::vector<const char*>& args, rusage& usage, benchmark::State& state) {
  std::vector<char*> argv{const_cast<char*>(KELVRAN_PROGRAM)};
  for (const char* a : args) argv.push_back(const_cast<char*>(a));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    state.SkipWithError("kelvran did not run to a clean exit");
    return false;
  }
  return true;
}

void BM_WatchCsv(benchmark::State& state) {
  const long samples = state.range(0);
  const std::string count = std::to_string(samples);
  long peak_kib = 0;
  for (auto _ : state) {
    rusage usage{};
    if (!RunKelvran({"watch", "--simulate", "--interval", "0", "--count", count.c_str(), "--csv"},
                    usage, state)) {
      return;
    }
    peak_kib = std::max(peak_kib, usage.ru_maxrss);
  }
  state.SetItemsProcessed(state.iterations() * samples);  // items/s = samples per second
  state.counters["peak_rss_kib"] = static_cast<double>(peak_kib);
}

void BM_DumpProcess(benchmark::State& state) {
  for (auto _ : state) {
    rusage usage{};
    if (!RunKelvran({"dump", "--simulate"}, usage, state)) return;
  }
}

BENCHMARK(BM_WatchCsv)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_DumpProcess)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
