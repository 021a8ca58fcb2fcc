#include "cli/sample_loop.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "chip/local_time.h"
#include "files/file_text.h"

namespace cli {

int SampleLoop(devaccess::UnattendedSampler& sampler, const Arguments& args,
               const Terminal& terminal, std::ostream& err, const SampleLoopHooks& hooks) {
  using Clock = Deadlines::Clock;
  const auto now = [&terminal] { return terminal.now ? terminal.now() : Clock::now(); };
  const Deadlines deadlines(now(), args.interval_seconds);
  const chip::SampleGaps& gaps = sampler.gaps();
  std::uint64_t rows = 0;
  for (bool first = true; args.count == 0 || rows < static_cast<std::uint64_t>(args.count);
       first = false) {
    if (!first && terminal.sleep_until) {
      const Clock::time_point t = now();
      Clock::time_point deadline = deadlines.Next(gaps.in_gap() ? t + kRetryPause : t);
      if (gaps.in_gap()) deadline = std::max(deadline, t + kRetryPause);
      terminal.sleep_until(deadline);
    }
    if (terminal.stop_requested && terminal.stop_requested()) break;
    const Clock::time_point t = now();
    const auto wall = std::chrono::system_clock::now();
    const devaccess::UnattendedSampler::Attempt attempt = sampler.Take(t);
    if (attempt.change != chip::SampleGaps::Change::None) {
      const std::string time = chip::IsoLocalTime(wall);
      const std::string mark = attempt.change == chip::SampleGaps::Change::Lost
                                   ? chip::BusErrorMark(time, gaps.error())
                                   : chip::ResumedMark(time, gaps.length(t).count(), gaps.missed());
      err << "kelvran: " << files::PlainText(mark) << '\n' << std::flush;
      if (hooks.mark) hooks.mark(mark, t);
    }
    if (attempt.sample != nullptr) {
      ++rows;
      if (const std::optional<int> status = hooks.row(*attempt.sample, wall, t)) return *status;
    } else if (args.give_up_seconds && gaps.length(t).count() >= *args.give_up_seconds) {
      char figures[64];
      std::snprintf(figures, sizeof figures, "%.1f s", gaps.length(t).count());
      err << "kelvran: gave up: the chip has not answered for " << figures << " (" << gaps.missed()
          << " samples missed); the last error: " << files::PlainText(gaps.error()) << '\n';
      return kExitBus;
    }
  }
  return kExitOk;
}

}  // namespace cli
