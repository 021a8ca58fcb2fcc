#include "chip/restore_flow.h"

#include <algorithm>
#include <exception>

#include "chip/register_access.h"
#include "chip/register_catalogue.h"

namespace chip {

namespace {

constexpr std::uint8_t kStart = 0x01;

bool Paused(const std::vector<RestoreStep>& steps) {
  return std::any_of(steps.begin(), steps.end(),
                     [](const RestoreStep& s) { return s.role == RestoreStep::Role::Pause; });
}

std::string Converting(const RegisterRead& read) {
  try {
    return (read(reg::kConfiguration1) & kStart) != 0
               ? "the chip is converting (START is set)"
               : "the chip is not converting (START is clear)";
  } catch (const std::exception& e) {
    return std::string("whether the chip is converting is not known: ") + e.what();
  }
}

}  // namespace

RestorePreview PreviewRestore(const Snapshot& snapshot, const RegisterRead& read) {
  RestorePreview preview;
  preview.other_chip = IdentityDifference(snapshot, read);
  preview.plan = PlanWrites(snapshot, read);
  return preview;
}

std::vector<std::uint8_t> RestoredRegisters(const std::vector<RestoreStep>& plan) {
  std::vector<std::uint8_t> addresses;
  for (const RestoreStep& step : plan) {
    if (step.role == RestoreStep::Role::Restore) addresses.push_back(step.address);
  }
  return addresses;
}

RestoreOutcome ApplyRestore(const Snapshot& snapshot, const std::vector<std::uint8_t>& kept,
                            const RegisterRead& read, const RegisterWrite& write) {
  RestoreOutcome outcome;
  std::vector<RestoreStep> changes = PlanRestore(snapshot, read);
  std::erase_if(changes, [&](const RestoreStep& s) {
    return std::find(kept.begin(), kept.end(), s.address) == kept.end();
  });
  if (changes.empty()) return outcome;
  const std::uint8_t configuration = read(reg::kConfiguration1);
  outcome.steps = OrderRestore(std::move(changes), configuration);
  outcome.restored = RestoredRegisters(outcome.steps).size();
  try {
    RunRestore(outcome.steps, read, write);
    return outcome;
  } catch (const RestoreError& e) {
    outcome.error = e;
  }
  // The restore cleared START and stopped before setting it again: a chip left stopped would
  // measure nothing and latch no alarm, which nobody asked for.
  if (Paused(outcome.steps)) {
    try {
      write(reg::kConfiguration1,
            static_cast<std::uint8_t>(configuration & ~ActionBits(reg::kConfiguration1)));
    } catch (const std::exception&) {
      // What the chip holds now is read below and said either way.
    }
  }
  outcome.converting = Converting(read);
  return outcome;
}

std::string DescribeFailure(const RestoreOutcome& outcome, const std::string& where) {
  if (!outcome.error) return {};
  return outcome.error->Describe(where) + "\n" + outcome.converting;
}

}  // namespace chip
