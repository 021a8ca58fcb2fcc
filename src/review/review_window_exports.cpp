#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QStatusBar>

#include "boxes/export_file.h"
#include "boxes/message_boxes.h"
#include "review/chart_area.h"
#include "review/file_dialogs.h"
#include "review/readout.h"
#include "review/review_window.h"
#include "review/span_export.h"

// What the review window copies and exports.
namespace review {

void ReviewWindow::CopyReadings() {
  if (!Loaded()) return;
  const Readout r = ComputeReadout(model(), ShownSeries(), cursor_a_, cursor_b_, view_.Start(),
                                   view_.End(), Comparison());
  QApplication::clipboard()->setText(ReadoutText(r, model(), Axis(), Comparison()));
  statusBar()->showMessage(QStringLiteral("Readings copied."), 3000);
}

void ReviewWindow::ExportView() {
  if (!Loaded()) return;
  const QString file =
      dialogs_->SaveFileName(this, QStringLiteral("Export View"),
                             QFileInfo(path_).completeBaseName() + QStringLiteral(".png"),
                             QStringLiteral("PNG pictures (*.png)"));
  if (file.isEmpty()) return;
  // The charts with a margin, so no label touches the picture's edge.
  const QByteArray bytes = boxes::PngWithMargin(area_->grab());
  QString error;
  if (!boxes::WriteWhole(file, bytes, error)) {
    boxes_.Show(this, QStringLiteral("export_failed"), QStringLiteral("Export View"),
                QStringLiteral("Cannot write %1: %2").arg(file, error), boxes::MsgIcon::Warning,
                boxes::MsgButtons::Ok);
    return;
  }
  statusBar()->showMessage(QStringLiteral("View exported to %1").arg(file), 8000);
}

void ReviewWindow::ExportSpan() {
  if (!Loaded() || !cursor_a_ || !cursor_b_) return;
  const QString file =
      dialogs_->SaveFileName(this, QStringLiteral("Export A-B"),
                             QFileInfo(path_).completeBaseName() + QStringLiteral("-span.csv"),
                             QStringLiteral("CSV files (*.csv);;All files (*)"));
  if (file.isEmpty()) return;
  const std::string csv = SpanCsv(model(), *cursor_a_, *cursor_b_, Comparison());
  QString error;
  if (!boxes::WriteWhole(file, QByteArray::fromStdString(csv), error)) {
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
