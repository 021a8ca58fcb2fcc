#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "buslink/bus_error.h"

namespace buslink {

enum class TraceMedium { PP, SMB };

// One line per transfer: "<PP|SMB> <device> <R|W> <register> <value>", two upper-case hex digits
// each, or "ERR <code>" in place of the value when the transfer failed. Written to a file
// (flushed at once, so a crash loses nothing) and, for tests, optionally kept in memory.
class BusTrace {
 public:
  BusTrace() = default;
  ~BusTrace();
  BusTrace(const BusTrace&) = delete;
  BusTrace& operator=(const BusTrace&) = delete;

  // Appends to path, which no program started from here inherits; throws std::runtime_error
  // naming the file when it cannot be opened.
  void OpenFile(const std::string& path);
  // Called once, with a sentence naming the file and the reason, when a write to the file fails;
  // the file is left alone from then on, and transfers go on.
  void SetFailureReport(std::function<void(const std::string&)> report) {
    report_ = std::move(report);
  }
  // That sentence, or empty while the file takes every line.
  const std::string& Failure() const { return failure_; }
  void KeepLines(bool keep) { keep_lines_ = keep; }
  const std::vector<std::string>& Lines() const { return lines_; }
  void ClearLines() { lines_.clear(); }

  void Record(TraceMedium medium, std::uint8_t device, char op, std::uint8_t reg,
              std::uint8_t value);
  void RecordError(TraceMedium medium, std::uint8_t device, char op, std::uint8_t reg,
                   ErrorCode code);

  static std::string Format(TraceMedium medium, std::uint8_t device, char op, std::uint8_t reg,
                            std::optional<std::uint8_t> value, ErrorCode code = ErrorCode::Io);

 private:
  void Emit(const std::string& line);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string failure_;
  std::function<void(const std::string&)> report_;
  bool keep_lines_ = false;
  std::vector<std::string> lines_;
};

// Runs transfer, which returns the value to record, and records the transfer or its failure in
// trace (which may be null); the failure goes on to the caller. reg is read after the transfer,
// which may have changed it.
template <class Transfer>
std::uint8_t Traced(BusTrace* trace, TraceMedium medium, std::uint8_t device, char op,
                    const std::uint8_t& reg, Transfer&& transfer) {
  try {
    const std::uint8_t value = transfer();
    if (trace != nullptr) trace->Record(medium, device, op, reg, value);
    return value;
  } catch (const BusError& error) {
    if (trace != nullptr) trace->RecordError(medium, device, op, reg, error.code());
    throw;
  }
}

}  // namespace buslink
