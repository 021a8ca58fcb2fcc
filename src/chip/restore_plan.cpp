#include "chip/restore_plan.h"

#include <algorithm>
#include <optional>

#include "chip/register_access.h"
#include "chip/register_catalogue.h"

namespace chip {

namespace {

constexpr std::uint8_t kStart = 0x01;

std::string CaptionOf(std::uint8_t address) {
  for (const RegisterEntry& entry : AllRegisters()) {
    if (entry.address == address) return std::string(entry.caption);
  }
  return {};
}

// A register's value with its action bits dropped: what writing it back leaves as it is.
std::uint8_t Unchanged(std::uint8_t address, std::uint8_t now) {
  return static_cast<std::uint8_t>(now & ~ActionBits(address));
}

std::string Listed(const std::vector<RestoreStep>& steps, bool with_values) {
  if (steps.empty()) return "none";
  std::string text;
  for (const RestoreStep& step : steps) {
    if (!text.empty()) text += ", ";
    text += HexByte(step.address) + " " + step.caption;
    if (with_values) text += " = " + HexByte(step.write);
  }
  return text;
}

}  // namespace

std::vector<RestoreStep> PlanRestore(const Snapshot& snapshot, const RegisterRead& read) {
  std::vector<RestoreStep> steps;
  std::optional<RestoreStep> configuration;
  for (const SavedRegister& saved : snapshot.registers) {
    if (!IsRestorable(saved.address)) continue;  // never read for the plan, never written
    const std::uint8_t now = read(saved.address);
    if (((now ^ saved.value) & StoredBits(saved.address)) == 0) continue;
    RestoreStep step{saved.address, CaptionOf(saved.address), now, saved.value,
                     RestoreValue(saved.address, saved.value, now)};
    if (saved.address == reg::kConfiguration1) {
      configuration = std::move(step);
    } else {
      steps.push_back(std::move(step));
    }
  }
  if (configuration) steps.push_back(std::move(*configuration));
  return steps;
}

std::vector<RestoreStep> OrderRestore(std::vector<RestoreStep> chosen,
                                      std::uint8_t configuration_now) {
  std::optional<RestoreStep> configuration;
  std::vector<RestoreStep> others;
  for (RestoreStep& step : chosen) {
    if (step.role != RestoreStep::Role::Restore) continue;
    if (step.address == reg::kConfiguration1) {
      configuration = std::move(step);
    } else {
      others.push_back(std::move(step));
    }
  }
  const bool running = (configuration_now & kStart) != 0;
  if (others.empty() || !running) {
    if (configuration) others.push_back(std::move(*configuration));
    return others;
  }
  std::vector<RestoreStep> steps;
  const std::uint8_t own = Unchanged(reg::kConfiguration1, configuration_now);
  const std::uint8_t last = configuration ? configuration->write : own;
  if ((last & kStart) == 0) {
    // The saved set-up leaves the chip stopped: that one write stops it before the others.
    steps.push_back(std::move(*configuration));
    steps.insert(steps.end(), others.begin(), others.end());
    return steps;
  }
  const auto paused = static_cast<std::uint8_t>(own & ~kStart);
  const std::string caption = CaptionOf(reg::kConfiguration1);
  steps.push_back(
      {reg::kConfiguration1, caption, configuration_now, 0, paused, RestoreStep::Role::Pause});
  steps.insert(steps.end(), others.begin(), others.end());
  if (configuration) {
    configuration->now = paused;
    steps.push_back(std::move(*configuration));
  } else {
    steps.push_back({reg::kConfiguration1, caption, paused, 0, own, RestoreStep::Role::Resume});
  }
  return steps;
}

std::vector<RestoreStep> PlanWrites(const Snapshot& snapshot, const RegisterRead& read) {
  std::vector<RestoreStep> changes = PlanRestore(snapshot, read);
  if (changes.empty()) return changes;
  return OrderRestore(std::move(changes), read(reg::kConfiguration1));
}

std::string IdentityDifference(const Snapshot& snapshot, const RegisterRead& read) {
  std::string saved_id, chip_id;
  for (const std::uint8_t address : {reg::kCompanyId, reg::kRevision}) {
    const auto saved = std::find_if(snapshot.registers.begin(), snapshot.registers.end(),
                                    [&](const SavedRegister& r) { return r.address == address; });
    if (saved == snapshot.registers.end()) continue;
    const std::uint8_t now = read(address);
    if (saved->value == now) continue;
    const std::string name = address == reg::kCompanyId ? "Company ID " : "Revision ";
    saved_id += (saved_id.empty() ? "" : " and ") + name + HexByte(saved->value);
    chip_id += (chip_id.empty() ? "" : " and ") + name + HexByte(now);
  }
  if (saved_id.empty()) return {};
  return "the snapshot was taken from a chip with " + saved_id + ", but this chip has " + chip_id;
}

std::string DescribeStep(const RestoreStep& step) {
  std::string text = HexByte(step.address) + "  " + step.caption + ": " + HexByte(step.now) +
                     " -> " + HexByte(step.write);
  if (step.role == RestoreStep::Role::Pause)
    text += "  (START cleared while the others are written)";
  if (step.role == RestoreStep::Role::Resume) text += "  (START set again)";
  return text;
}

RestoreError::RestoreError(RestoreStep failed, std::string reason, std::vector<RestoreStep> written,
                           std::vector<RestoreStep> not_written, bool bus_failed)
    : std::runtime_error(reason),
      failed_(std::move(failed)),
      reason_(std::move(reason)),
      written_(std::move(written)),
      not_written_(std::move(not_written)),
      bus_failed_(bus_failed) {}

std::string RestoreError::Describe(const std::string& where) const {
  return "writing " + RegisterName(failed_.address) + " of the chip at " + where +
         " failed: " + reason_ + "\nalready written: " + Listed(written_, true) +
         "\nnot written: " + Listed(not_written_, false);
}

void RunRestore(const std::vector<RestoreStep>& steps, const RegisterRead& read,
                const RegisterWrite& write) {
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const RestoreStep& step = steps[i];
    std::string reason;
    bool bus_failed = true;
    try {
      WriteAndReadBack(step.address, step.write, read, write);
      continue;
    } catch (const ReadBackError& e) {
      reason = e.what();
      bus_failed = false;
    } catch (const std::runtime_error& e) {
      reason = e.what();
    }
    throw RestoreError(step, reason, {steps.begin(), steps.begin() + static_cast<long>(i)},
                       {steps.begin() + static_cast<long>(i), steps.end()}, bus_failed);
  }
}

}  // namespace chip
