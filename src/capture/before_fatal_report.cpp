#include "capture/before_fatal_report.h"

#include <QPointer>
#include <utility>
#include <vector>

namespace capture {

namespace {

struct Hook {
  QPointer<QObject> owner;
  std::function<void()> run;
};

std::vector<Hook>& Hooks() {
  static std::vector<Hook> hooks;
  return hooks;
}

}  // namespace

void AddBeforeFatalReport(QObject* owner, std::function<void()> hook) {
  auto& hooks = Hooks();
  std::erase_if(hooks, [](const Hook& h) { return h.owner.isNull(); });
  hooks.push_back({owner, std::move(hook)});
}

void RunBeforeFatalReport() {
  for (const Hook& h : Hooks()) {
    if (h.owner.isNull()) continue;
    try {
      h.run();
    } catch (...) {
      // The report about the first failure is the one to show.
    }
  }
}

}  // namespace capture
