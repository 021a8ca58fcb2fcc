#include "boxes/feature_context.h"

#include <QFileInfo>

namespace boxes {

QString CountOf(qulonglong n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

bool MayWrite(FeatureContext& c, const QString& file, const QString& title, bool ask_to_replace) {
  const QFileInfo info(file);
  const QString recording = c.recording_file();
  if (!recording.isEmpty() && info == QFileInfo(recording)) {
    c.boxes.Show(c.window, QStringLiteral("file_being_recorded"), title,
                 QStringLiteral("%1 is the file the recording is writing, so nothing was written "
                                "to it. Choose another name.")
                     .arg(file),
                 boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
    return false;
  }
  if (!ask_to_replace || !info.exists()) return true;
  return c.boxes.Show(c.window, QStringLiteral("replace_file"), title,
                      QStringLiteral("%1 already exists.\n\nReplace it?").arg(file),
                      boxes::MsgIcon::Warning, boxes::MsgButtons::YesNo) == boxes::MsgAnswer::Yes;
}

void ReportFileProblem(FeatureContext& c, const QString& purpose, const QString& title,
                       const QString& text) {
  c.boxes.Show(c.window, purpose, title, text, boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
}

}  // namespace boxes
