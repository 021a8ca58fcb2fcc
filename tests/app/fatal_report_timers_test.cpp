// Once the error report is decided, no timer of the program runs again: repeating timers wherever
// they hang, timers a widget started for itself, and single-shot calls still pending.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/kelvran_application.h"
#include "boxes/message_boxes.h"
#include "buslink/bus_error.h"

namespace {

using ::testing::ExitedWithCode;

int g_ticks = 0;

// A widget that keeps a timer of its own, as Qt's widgets do for blinking and scrolling.
class SelfTimed : public QWidget {
 public:
  SelfTimed() { startTimer(1); }

 protected:
  void timerEvent(QTimerEvent*) override { ++g_ticks; }
};

// The report as a user meets it: the box stays up while its event loop runs the application for
// a while. Says how many ticks came while it was up.
class LingeringBoxes : public boxes::MessageBoxes {
 public:
  boxes::MsgAnswer Show(QWidget*, const QString& purpose, const QString&, const QString&,
                        boxes::MsgIcon, boxes::MsgButtons) override {
    const int before = g_ticks;
    const QDeadlineTimer up(150);
    while (!up.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    std::fprintf(stderr, "box %s, ticks while it was up: %d\n", purpose.toUtf8().constData(),
                 g_ticks - before);
    return boxes::MsgAnswer::Ok;
  }
};

TEST(FatalReportTimersDeathTest, NoTimerRunsWhileTheReportIsUp) {
  EXPECT_EXIT(
      {
        auto& application = *static_cast<app::KelvranApplication*>(qApp);
        LingeringBoxes boxes;
        application.SetMessageBoxes(&boxes);
        QPushButton window(QStringLiteral("Read"));
        window.show();
        SelfTimed own_timer;  // a second window
        own_timer.show();
        QTimer loose;  // belongs to no window
        loose.setInterval(1);
        QObject::connect(&loose, &QTimer::timeout, [] { ++g_ticks; });
        loose.start();
        auto* on_app = new QTimer(&application);  // hangs off the application
        QObject::connect(on_app, &QTimer::timeout, [] { ++g_ticks; });
        on_app->start(1);
        QObject::connect(&window, &QPushButton::clicked, [] {
          // Pending when the failure comes: one due soon, one due at once.
          QTimer::singleShot(20, [] { ++g_ticks; });
          QTimer::singleShot(0, qApp, [] { ++g_ticks; });
          throw buslink::BusError(buslink::ErrorCode::Nack, "no chip acknowledged");
        });
        QTimer::singleShot(30, [&] { QTest::mouseClick(&window, Qt::LeftButton); });
        const int status = QApplication::exec();
        std::fflush(stderr);
        std::_Exit(status);
      },
      ExitedWithCode(1), "box fatal_error, ticks while it was up: 0\n");
}

}  // namespace
