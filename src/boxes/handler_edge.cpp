#include "boxes/handler_edge.h"

#include <QtGlobal>

namespace boxes {

namespace {

std::function<void(const QString&)>& Report() {
  static std::function<void(const QString&)> report;
  return report;
}

QString DescriptionOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
  } catch (...) {
    return QStringLiteral("An unexpected error stopped the program.");
  }
}

}  // namespace

void SetFatalReport(std::function<void(const QString& description)> report) {
  Report() = std::move(report);
}

void ReportAtEdge(const std::exception_ptr& error) {
  const QString description = DescriptionOf(error);
  if (!Report()) qFatal("%s", qPrintable(description));
  Report()(description);
}

}  // namespace boxes
