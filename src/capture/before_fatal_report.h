#pragma once

#include <QObject>
#include <functional>

namespace capture {

// Work to finish before the program shows its fatal error report: a recording hands its buffered
// rows to the disk. The report may stay up for long, and a user may kill the program from there.
// A hook lives as long as its owner.
void AddBeforeFatalReport(QObject* owner, std::function<void()> hook);

// Runs the hooks of the owners still alive; called once, by whoever shows the report.
void RunBeforeFatalReport();

}  // namespace capture
