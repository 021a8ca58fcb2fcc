#include "boxes/feature_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "boxes/interval_dialog.h"
#include "boxes/restore_dialog.h"

namespace boxes {

QString QtFeatureDialogs::RunFileDialog(QWidget* parent, const QString& purpose,
                                        const QString& title, const QString& name,
                                        const QString& filter, QFileDialog::AcceptMode mode) {
  const QString folder = last_folder_.isEmpty() ? QDir::currentPath() : last_folder_;
  QFileDialog dialog(parent, title, QDir(folder).filePath(name), filter);
  dialog.setObjectName(QStringLiteral("filedialog_") + purpose);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                     : QFileDialog::ExistingFile);
  // A name typed without a suffix gets the format's before the dialog looks for the file, so the
  // question about replacing one is asked about the file that is written.
  if (mode == QFileDialog::AcceptSave) dialog.setDefaultSuffix(QFileInfo(name).suffix());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString file = dialog.selectedFiles().constFirst();
  last_folder_ = QFileInfo(file).absolutePath();
  return file;
}

QString QtFeatureDialogs::SaveFileName(QWidget* parent, const QString& purpose,
                                       const QString& title, const QString& suggested,
                                       const QString& filter) {
  return RunFileDialog(parent, purpose, title, suggested, filter, QFileDialog::AcceptSave);
}

QString QtFeatureDialogs::OpenFileName(QWidget* parent, const QString& purpose,
                                       const QString& title, const QString& filter) {
  return RunFileDialog(parent, purpose, title, QString(), filter, QFileDialog::AcceptOpen);
}

std::optional<int> QtFeatureDialogs::RecordingInterval(QWidget* parent) {
  IntervalDialog dialog(parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.IntervalMs();
}

std::optional<std::vector<bool>> QtFeatureDialogs::ChooseRestore(
    QWidget* parent, const std::vector<chip::RestoreStep>& steps, const QString& note) {
  RestoreDialog dialog(steps, note, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Ticked();
}

bool QtFeatureDialogs::AlsoExportCsv(QWidget* parent) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Export Chart"),
                  QStringLiteral("Also save the chart's history as CSV, beside the picture?"),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setObjectName(QStringLiteral("msgbox_export_csv"));
  return box.exec() == QMessageBox::Yes;
}

}  // namespace boxes
