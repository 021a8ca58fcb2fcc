#include "userfiles/chart_export.h"

#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QStatusBar>
#include <array>
#include <chrono>

#include "boxes/export_file.h"
#include "boxes/feature_dialogs.h"
#include "chart/strip_chart.h"
#include "chip/local_time.h"
#include "chip/reading_history.h"
#include "chip/recording.h"

namespace userfiles {

namespace {

const QString kTitle = QStringLiteral("Export Chart");
constexpr int kStatusMs = 10000;

void Say(boxes::FeatureContext& c, const QString& text) {
  auto* window = qobject_cast<QMainWindow*>(c.window);
  if (window == nullptr) return;
  window->statusBar()->show();
  window->statusBar()->showMessage(text, kStatusMs);
}

}  // namespace

std::string ChartHistoryCsv(const chart::StripChart& strip, const chip::ReadingHistory& readings) {
  const chart::DoubleSeriesStore& store = strip.Store();
  // The readings of the points the chart still holds: none from before it was last cleared.
  std::size_t first = 0;
  while (first < readings.Size() && (store.Empty() || readings.TimeAt(first) < store.TimeAt(0)))
    ++first;
  // A column for each slot that holds a reading, named for the first channel it holds.
  std::array<const chip::Channel*, chip::ReadingHistory::kSlots> channels{};
  for (std::size_t row = first; row < readings.Size(); ++row) {
    for (int s = 0; s < chip::ReadingHistory::kSlots; ++s) {
      auto& channel = channels[static_cast<std::size_t>(s)];
      if (channel == nullptr) {
        if (const auto reading = readings.ReadingAt(row, s)) channel = reading->channel;
      }
    }
  }
  std::string out = "time,seconds";
  for (const chip::Channel* channel : channels) {
    if (channel != nullptr) chip::AppendColumnNames(out, *channel);
  }
  out.push_back('\n');
  if (first == readings.Size()) return out;
  using Nanos = std::chrono::nanoseconds;
  // Rows taken before the chart noted any offset (none: it notes one with its first row).
  const std::int64_t offset_now =
      std::chrono::duration_cast<Nanos>(strip.WallNow().time_since_epoch() -
                                        strip.Now().time_since_epoch())
          .count();
  const std::int64_t first_ns = readings.TimeAt(first);
  for (std::size_t row = first; row < readings.Size(); ++row) {
    const std::int64_t ns = readings.TimeAt(row);
    // The offset in force when the row was taken: a suspend since then or a step of the wall
    // clock moves none of the rows before it.
    const std::chrono::sys_time<Nanos> wall{
        Nanos(ns + strip.WallOffsets().OffsetAt(ns, offset_now))};
    chip::AppendRowStart(
        out,
        chip::IsoLocalTime(std::chrono::time_point_cast<std::chrono::system_clock::duration>(wall)),
        static_cast<double>(ns - first_ns) / 1e9);
    for (int s = 0; s < chip::ReadingHistory::kSlots; ++s) {
      if (channels[static_cast<std::size_t>(s)] == nullptr) continue;
      if (const auto reading = readings.ReadingAt(row, s)) {
        chip::AppendReadingCells(out, *reading);
      } else {
        out += ",,";
      }
    }
    out.push_back('\n');
  }
  return out;
}

void ExportChart(boxes::FeatureContext& c, chart::StripChart& strip,
                 const chip::ReadingHistory& readings) {
  const QString png =
      c.dialogs->SaveFileName(c.window, QStringLiteral("chart_export"), kTitle,
                              QStringLiteral("chart.png"), QStringLiteral("PNG pictures (*.png)"));
  if (png.isEmpty() || !boxes::MayWrite(c, png, kTitle, false)) return;
  // Take everything the chart holds now, before a box gives the timers a chance to move it on.
  const QByteArray png_bytes = boxes::PngWithMargin(strip.grab());
  const std::string csv = ChartHistoryCsv(strip, readings);
  QString error;
  if (!boxes::WriteWhole(png, png_bytes, error)) {
    boxes::ReportFileProblem(c, QStringLiteral("chart_not_saved"), kTitle,
                             QStringLiteral("Cannot write %1: %2").arg(png, error));
    return;
  }
  if (!c.dialogs->AlsoExportCsv(c.window)) {
    Say(c, QStringLiteral("Chart exported to %1").arg(QDir::toNativeSeparators(png)));
    return;
  }
  const QFileInfo info(png);
  const QString csv_file = info.dir().filePath(info.completeBaseName() + QStringLiteral(".csv"));
  // The dialog asked about the picture only: the points beside it replace nothing unasked.
  if (!boxes::MayWrite(c, csv_file, kTitle, true)) {
    Say(c, QStringLiteral("Chart exported to %1; its points were not written")
               .arg(QDir::toNativeSeparators(png)));
    return;
  }
  if (!boxes::WriteWhole(csv_file, QByteArray::fromStdString(csv), error)) {
    boxes::ReportFileProblem(c, QStringLiteral("chart_not_saved"), kTitle,
                             QStringLiteral("Cannot write %1: %2").arg(csv_file, error));
    return;
  }
  Say(c, QStringLiteral("Chart exported to %1 and its points to %2")
             .arg(QDir::toNativeSeparators(png), QDir::toNativeSeparators(csv_file)));
}

}  // namespace userfiles
