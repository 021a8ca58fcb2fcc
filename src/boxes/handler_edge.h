#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <utility>

// The edge of the program's own event handlers. Qt's frames are not exception-safe: an error
// thrown through them skips their destructors. So every handler that may fail (a timer's tick, a
// menu action, a control's change that writes to the chip) runs inside AtEdge, which stops the
// error there and hands its description to the fatal report.
namespace boxes {

// Where errors stopped at the edge go: the application sets its fatal report here for as long
// as it lives. Without one the program ends at once with the description on stderr.
void SetFatalReport(std::function<void(const QString& description)> report);

// Hands the error's description to the fatal report (any error that is not a std::exception gets
// a general one).
void ReportAtEdge(const std::exception_ptr& error);

// A slot that runs its handler with as many of the signal's arguments as the handler takes, and
// lets no error out.
template <class Handler>
struct Edge {
  Handler handler;
  template <class... Args>
  auto operator()(Args&&... args) const
      -> decltype(std::invoke(std::declval<const Handler&>(), std::forward<Args>(args)...),
                  void()) {
    try {
      std::invoke(handler, std::forward<Args>(args)...);
    } catch (...) {
      ReportAtEdge(std::current_exception());
    }
  }
};

template <class Handler>
Edge<Handler> AtEdge(Handler handler) {
  return Edge<Handler>{std::move(handler)};
}

}  // namespace boxes
