#include "boxes/feature_context.h"

namespace boxes {

QString CountOf(qulonglong n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

void ReportFileProblem(FeatureContext& c, const QString& purpose, const QString& title,
                       const QString& text) {
  c.boxes.Show(c.window, purpose, title, text, boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
}

}  // namespace boxes
