#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <QStatusBar>

#include "boxes/message_boxes.h"
#include "review/chart_area.h"
#include "review/file_dialogs.h"
#include "review/readout.h"
#include "review/review_window.h"
#include "review/span_export.h"

// What the review window copies and exports.
namespace review {

namespace {

constexpr int kExportMargin = 12;  // pixels around an exported view

bool WriteFile(const QString& file, const QByteArray& bytes, QString& error) {
  QSaveFile out(file);
  if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit())
    return true;
  error = out.errorString();
  return false;
}

}  // namespace

void ReviewWindow::CopyReadings() {
  if (!Loaded()) return;
  const Readout r = ComputeReadout(model(), ShownSeries(), cursor_a_, cursor_b_, view_.Start(),
                                   view_.End(), Comparison());
  QApplication::clipboard()->setText(ReadoutText(r, model(), Axis(), Comparison()));
  statusBar()->showMessage(QStringLiteral("Readings copied."), 3000);
}

void ReviewWindow::ExportView() {
  if (!Loaded()) return;
  QString file =
      dialogs_->SaveFileName(this, QStringLiteral("Export View"),
                             QFileInfo(path_).completeBaseName() + QStringLiteral(".png"),
                             QStringLiteral("PNG pictures (*.png)"));
  if (file.isEmpty()) return;
  if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".png");
  // The charts with a margin, so no label touches the picture's edge.
  const QPixmap charts = area_->grab();
  const qreal ratio = charts.devicePixelRatio();
  QPixmap picture(charts.size() + QSize(2, 2) * kExportMargin * ratio);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::black);
  {
    QPainter painter(&picture);
    painter.drawPixmap(kExportMargin, kExportMargin, charts);
  }
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
  }
  QString error;
  if (!WriteFile(file, bytes, error)) {
    boxes_.Show(this, QStringLiteral("export_failed"), QStringLiteral("Export View"),
                QStringLiteral("Cannot write %1: %2").arg(file, error), boxes::MsgIcon::Warning,
                boxes::MsgButtons::Ok);
    return;
  }
  statusBar()->showMessage(QStringLiteral("View exported to %1").arg(file), 8000);
}

void ReviewWindow::ExportSpan() {
  if (!Loaded() || !cursor_a_ || !cursor_b_) return;
  QString file =
      dialogs_->SaveFileName(this, QStringLiteral("Export A-B"),
                             QFileInfo(path_).completeBaseName() + QStringLiteral("-span.csv"),
                             QStringLiteral("CSV files (*.csv);;All files (*)"));
  if (file.isEmpty()) return;
  if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".csv");
  const std::string csv = SpanCsv(model(), *cursor_a_, *cursor_b_, Comparison());
  QString error;
  if (!WriteFile(file, QByteArray::fromStdString(csv), error)) {
    boxes_.Show(this, QStringLiteral("export_failed"), QStringLiteral("Export A-B"),
                QStringLiteral("Cannot write %1: %2").arg(file, error), boxes::MsgIcon::Warning,
                boxes::MsgButtons::Ok);
    return;
  }
  statusBar()->showMessage(QStringLiteral("Rows from A to B exported to %1").arg(file), 8000);
}

void ReviewWindow::OpenAnother() {
  const QString file = dialogs_->OpenFileName(this, QStringLiteral("Open Recording"));
  if (file.isEmpty()) return;
  OpenReviewWindow(file, boxes_, parentWidget());
}

}  // namespace review
