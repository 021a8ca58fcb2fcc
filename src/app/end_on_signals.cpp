#include "app/end_on_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <cstdio>

#include "userfiles/recorder.h"

namespace app {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int pipe_fds[2] = {-1, -1};

extern "C" void WriteToPipe(int signal) {
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  [[maybe_unused]] const ssize_t n = ::write(pipe_fds[1], &byte, 1);
  errno = saved;
}

}  // namespace

EndOnSignals::EndOnSignals(QApplication& application) : QObject(&application) {
  if (pipe_fds[0] < 0 && ::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("kelvran-eval: no pipe for signals");
  }
  notifier_ = new QSocketNotifier(pipe_fds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &EndOnSignals::Arrived);
  struct sigaction action {};
  action.sa_handler = WriteToPipe;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kSignals) sigaction(signal, &action, nullptr);
}

EndOnSignals::~EndOnSignals() {
  for (const int signal : kSignals) std::signal(signal, SIG_DFL);
}

void EndOnSignals::Arrived() {
  char bytes[16];
  while (::read(pipe_fds[0], bytes, sizeof bytes) > 0) {
  }
  // Nobody may be at the screen: a recording ends without a question and says any failure on
  // stderr, before the windows close.
  for (QWidget* window : QApplication::topLevelWidgets()) {
    for (userfiles::Recorder* recorder : window->findChildren<userfiles::Recorder*>()) {
      const QString failure = recorder->StopUnattended();
      if (!failure.isEmpty()) std::fprintf(stderr, "kelvran-eval: %s\n", qPrintable(failure));
    }
  }
  QApplication::closeAllWindows();
  QCoreApplication::exit(0);
}

}  // namespace app
