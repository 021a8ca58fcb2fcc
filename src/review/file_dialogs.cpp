#include "review/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace review {

QString QtFileDialogs::OpenFileName(QWidget* parent, const QString& title) {
  QFileDialog dialog(parent, title, QString(), QStringLiteral("Recordings (*.csv);;All files (*)"));
  dialog.setObjectName(QStringLiteral("open_recording_dialog"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

QString QtFileDialogs::SaveFileName(QWidget* parent, const QString& title, const QString& suggested,
                                    const QString& filter) {
  QFileDialog dialog(parent, title, suggested, filter);
  dialog.setObjectName(QStringLiteral("export_dialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The suffix goes on before the dialog asks about replacing a file, not after it.
  dialog.setDefaultSuffix(QFileInfo(suggested).suffix());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

}  // namespace review
