#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string_view>

#include "access/unattended_sampler.h"
#include "cli/arguments.h"
#include "cli/run.h"

namespace cli {

// A chip that does not answer is asked again no sooner than this, whatever --interval says, so a
// gone adapter under --interval 0 is not a busy loop.
inline constexpr std::chrono::milliseconds kRetryPause{100};

struct SampleLoopHooks {
  using Wall = std::chrono::system_clock::time_point;
  using Steady = std::chrono::steady_clock::time_point;
  // A gap's mark ("bus error at ...", "resumed at ..."), once at each end.
  std::function<void(std::string_view mark, Steady now)> mark;
  // One row; a status to end with, or nullopt to go on.
  std::function<std::optional<int>(const chip::Sample&, Wall, Steady)> row;
};

// The loop of `record` and `watch`: paced by --interval, a failed sample skipped and tried again
// at the next slot, each gap said once at each end on err and handed to hooks.mark, until
// --count rows, a stop request, a status from hooks.row, or --give-up without an answer (status 1,
// with the last error). Returns the exit status.
int SampleLoop(devaccess::UnattendedSampler& sampler, const Arguments& args,
               const Terminal& terminal, std::ostream& err, const SampleLoopHooks& hooks);

}  // namespace cli
