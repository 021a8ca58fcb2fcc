// A recording is read the same whether it arrives whole or in pieces (as a file that is still
// being written does), and either reads or stops with a RecordingFormatError naming its line;
// every row it hands on has a value and a raw cell for each column of the names before it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "chip/recording_reader.h"

namespace {

class CheckingSink : public chip::RecordingSink {
 public:
  void Columns(std::span<const chip::RecordedColumn> columns, bool has_alarms) override {
    columns_ = columns.size();
    has_alarms_ = has_alarms;
    ++events;
  }
  void Limits(std::span<const chip::RecordedLimits> limits) override {
    for (const auto& l : limits) {
      if (l.caption.empty()) std::abort();
      if ((l.low && !std::isfinite(*l.low)) || (l.high && !std::isfinite(*l.high))) std::abort();
    }
    ++events;
  }
  void Row(const chip::RecordedRow& row) override {
    if (row.values.size() != columns_ || row.raws.size() != columns_) std::abort();
    if (row.alarms.has_value() != has_alarms_) std::abort();
    if (row.status1 < -1 || row.status1 > 255 || row.status2 < -1 || row.status2 > 255)
      std::abort();
    for (const int raw : row.raws) {
      if (raw < -1 || raw > 255) std::abort();
    }
    ++events;
  }
  std::size_t events = 0;

 private:
  std::size_t columns_ = 0;
  bool has_alarms_ = false;
};

// Rows read and the error's line (0: none).
std::pair<std::size_t, std::uint64_t> Read(std::string_view text, std::size_t piece) {
  CheckingSink sink;
  chip::RecordingReader reader(sink);
  try {
    for (std::size_t at = 0; at < text.size(); at += piece) reader.Feed(text.substr(at, piece));
    reader.Finish();
  } catch (const chip::RecordingFormatError& e) {
    if (e.line() == 0 || std::string(e.what()).find("expected") == std::string::npos) std::abort();
    return {sink.events, e.line()};
  }
  return {sink.events, 0};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Pieces of a size that varies with the input, so every split point gets tried.
  const std::size_t piece = 1 + size % 61;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (Read(text, text.size() + 1) != Read(text, piece)) std::abort();
  return 0;
}
