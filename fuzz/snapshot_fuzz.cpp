// A snapshot file is either a snapshot whose restore plan can be made, or a SnapshotError with a
// message; nothing else may come out of the loader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "chip/restore_plan.h"
#include "chip/snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  chip::Snapshot snapshot;
  try {
    snapshot = chip::ParseSnapshot(text);
  } catch (const chip::SnapshotError& e) {
    if (std::string(e.what()).empty()) std::abort();
    return 0;
  }
  // What was accepted must plan a restore of catalogue registers with byte values.
  const auto steps = chip::PlanRestore(snapshot, [](std::uint8_t) -> std::uint8_t { return 0; });
  if (steps.size() > snapshot.registers.size()) std::abort();
  // On a running chip the writes are the plan plus at most a pause and a resume.
  const auto writes = chip::PlanWrites(snapshot, [](std::uint8_t) -> std::uint8_t { return 0x09; });
  if (writes.size() > snapshot.registers.size() + 2) std::abort();
  chip::ParseSnapshot(chip::FormatSnapshot(snapshot));  // what it writes, it reads back
  return 0;
}
