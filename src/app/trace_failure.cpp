#include "app/trace_failure.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "app/command_line.h"
#include "boxes/message_boxes.h"

namespace app {

void ReportTraceFailure(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str());
  if (qApp == nullptr) return;
  const QString text = QString::fromLocal8Bit(message.c_str());
  QTimer::singleShot(0, qApp, [text] {
    boxes::QtMessageBoxes boxes;
    boxes.Show(QApplication::activeWindow(), QStringLiteral("bus_trace_failed"),
               QString::fromLatin1(kProgramName),
               QStringLiteral("The bus trace stopped: ") + text + QStringLiteral("."),
               boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
  });
}

}  // namespace app
