#include "userfiles/chart_export.h"

#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QStatusBar>
#include <algorithm>
#include <cmath>
#include <vector>

#include "boxes/export_file.h"
#include "boxes/feature_dialogs.h"
#include "chart/strip_chart.h"
#include "chip/channels.h"
#include "chip/local_time.h"
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

// The channel a legend of the live chart names ("2.5V", "Internal Temperature", "Fan 1"), so the
// export's columns read as a recording's ("+2.5V [V]") and open in the review as one does.
const chip::Channel* ChannelOfLegend(const std::string& legend) {
  std::string caption = legend;
  if (caption.starts_with("Internal Temperature")) caption = "Internal";
  if (caption.starts_with("External Temperature ")) caption = "External " + caption.substr(21);
  for (const chip::Channel* c : chip::AllChannels()) {
    std::string_view name = c->caption;
    if (name.starts_with('+') && !caption.starts_with('+')) name.remove_prefix(1);
    if (name == caption) return c;
  }
  return nullptr;
}

}  // namespace

std::string ChartHistoryCsv(const chart::StripChart& strip) {
  std::vector<int> traces;
  std::vector<int> decimals;
  std::string out = "time,seconds";
  for (int t = 0; t < chart::StripChart::kTraceCount; ++t) {
    if (strip.PointCount(t) == 0) continue;
    traces.push_back(t);
    const std::string name = strip.TraceName(t).toStdString();
    const chip::Channel* channel = ChannelOfLegend(name);
    decimals.push_back(channel != nullptr ? chip::DecimalsOf(channel->quantity) : 3);
    out.push_back(',');
    chip::AppendCsvField(out, channel != nullptr ? std::string(channel->caption) + " [" +
                                                       std::string(channel->unit) + "]"
                                                 : name + " []");
  }
  out.push_back('\n');
  if (traces.empty()) return out;
  // One row per tick: the traces of a group are fed together, and share their rows.
  const chart::DoubleSeriesStore& store = strip.Store();
  using Nanos = std::chrono::nanoseconds;
  // Rows taken before the chart noted any offset (none: it notes one with its first row).
  const std::int64_t offset_now =
      std::chrono::duration_cast<Nanos>(strip.WallNow().time_since_epoch() -
                                        strip.Now().time_since_epoch())
          .count();
  const std::int64_t first_ns = store.TimeAt(0);
  for (std::int64_t row = 0; row < store.Size(); ++row) {
    const std::int64_t ns = store.TimeAt(row);
    // The offset in force when the row was taken: a suspend since then or a step of the wall
    // clock moves none of the rows before it.
    const std::chrono::sys_time<Nanos> wall{
        Nanos(ns + strip.WallOffsets().OffsetAt(ns, offset_now))};
    out +=
        chip::IsoLocalTime(std::chrono::time_point_cast<std::chrono::system_clock::duration>(wall));
    out.push_back(',');
    chip::AppendDecimal(out, static_cast<double>(ns - first_ns) / 1e9, 6);
    for (std::size_t k = 0; k < traces.size(); ++k) {
      out.push_back(',');
      if (const double v = store.ValueAt(traces[k], row); !std::isnan(v))
        chip::AppendDecimal(out, v, decimals[k]);
    }
    out.push_back('\n');
  }
  return out;
}

void ExportChart(boxes::FeatureContext& c, chart::StripChart& strip) {
  const QString png =
      c.dialogs->SaveFileName(c.window, QStringLiteral("chart_export"), kTitle,
                              QStringLiteral("chart.png"), QStringLiteral("PNG pictures (*.png)"));
  if (png.isEmpty() || !boxes::MayWrite(c, png, kTitle, false)) return;
  // Take everything the chart holds now, before a box gives the timers a chance to move it on.
  const QByteArray png_bytes = boxes::PngWithMargin(strip.grab());
  const std::string csv = ChartHistoryCsv(strip);
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
