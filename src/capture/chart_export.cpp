#include "capture/chart_export.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QSaveFile>
#include <algorithm>
#include <vector>

#include "capture/capture_dialogs.h"
#include "chip/local_time.h"
#include "chip/recording.h"
#include "widgets/strip_chart.h"

namespace capture {

namespace {

const QString kTitle = QStringLiteral("Export Chart");

bool WriteAll(const QString& file, const QByteArray& bytes, QString& error) {
  QSaveFile out(file);
  if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit()) {
    return true;
  }
  error = out.errorString();
  return false;
}

}  // namespace

std::string ChartHistoryCsv(const widgets::StripChart& chart,
                            std::chrono::system_clock::time_point wall_now,
                            std::chrono::steady_clock::time_point chart_now) {
  std::vector<int> traces;
  int rows = 0;
  for (int t = 0; t < widgets::StripChart::kTraceCount; ++t) {
    if (chart.PointCount(t) == 0) continue;
    traces.push_back(t);
    rows = std::max(rows, chart.PointCount(t));
  }
  std::string out = "time,seconds";
  for (const int t : traces) {
    out.push_back(',');
    chip::AppendCsvField(out, chart.TraceName(t).toStdString());
  }
  out.push_back('\n');
  if (traces.empty()) return out;
  const std::int64_t now_ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(chart_now.time_since_epoch()).count();
  std::int64_t first_ns = 0;
  for (int row = 0; row < rows; ++row) {
    // The row's time is that of the first trace that has a point there.
    std::int64_t ns = 0;
    for (const int t : traces) {
      const widgets::TraceHistory& h = chart.History(t);
      const int i = row - (rows - h.Size());
      if (i >= 0) {
        ns = h.TimeAt(i);
        break;
      }
    }
    if (row == 0) first_ns = ns;
    const auto wall = wall_now - std::chrono::nanoseconds(now_ns - ns);
    out +=
        chip::IsoLocalTime(std::chrono::time_point_cast<std::chrono::system_clock::duration>(wall));
    out.push_back(',');
    chip::AppendDecimal(out, static_cast<double>(ns - first_ns) / 1e9, 6);
    for (const int t : traces) {
      out.push_back(',');
      const widgets::TraceHistory& h = chart.History(t);
      const int i = row - (rows - h.Size());
      if (i >= 0) chip::AppendDecimal(out, h.ValueAt(i), 3);
    }
    out.push_back('\n');
  }
  return out;
}

void ExportChart(CaptureContext& c, widgets::StripChart& chart) {
  QString png =
      c.dialogs->SaveFileName(c.window, QStringLiteral("chart_export"), kTitle,
                              QStringLiteral("chart.png"), QStringLiteral("PNG pictures (*.png)"));
  if (png.isEmpty()) return;
  if (QFileInfo(png).suffix().isEmpty()) png += QStringLiteral(".png");
  // Take everything the chart holds now, before a box gives the timers a chance to move it on.
  const QPixmap picture = chart.grab();
  const std::string csv =
      ChartHistoryCsv(chart, std::chrono::system_clock::now(), std::chrono::steady_clock::now());
  QByteArray png_bytes;
  {
    QBuffer buffer(&png_bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
  }
  QString error;
  if (!WriteAll(png, png_bytes, error)) {
    ReportFileProblem(c, QStringLiteral("chart_not_saved"), kTitle,
                      QStringLiteral("Cannot write %1: %2").arg(png, error));
    return;
  }
  if (!c.dialogs->AlsoExportCsv(c.window)) return;
  const QFileInfo info(png);
  const QString csv_file = info.dir().filePath(info.completeBaseName() + QStringLiteral(".csv"));
  if (!WriteAll(csv_file, QByteArray::fromStdString(csv), error)) {
    ReportFileProblem(c, QStringLiteral("chart_not_saved"), kTitle,
                      QStringLiteral("Cannot write %1: %2").arg(csv_file, error));
  }
}

}  // namespace capture
