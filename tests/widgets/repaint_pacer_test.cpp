#include "widgets/repaint_pacer.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

namespace widgets {
namespace {

class CountedWidget : public QWidget {
 public:
  using QWidget::QWidget;
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override { ++paints; }
};

// The clock stands still after a first change: that change paints at once, the next one waits for
// the pacer's timer and then paints, the two changes behind it together.
TEST(RepaintPacerTest, ChangesWithinTheIntervalWaitAndPaintTogether) {
  QWidget window;
  auto* child = new CountedWidget(&window);
  child->resize(50, 50);
  RepaintPacer pacer(&window, 30);
  qint64 now = 0;
  pacer.SetClock([&now] { return now; });
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QCoreApplication::sendPostedEvents();
  child->paints = 0;

  now += 1000;  // long after anything the window painted while it came up
  child->update();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(child->paints, 1);

  child->update();
  QCoreApplication::sendPostedEvents();
  child->update();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(child->paints, 1);
  EXPECT_TRUE(pacer.Holding());
  ASSERT_TRUE(QTest::qWaitFor([&] { return child->paints > 1; }));
  EXPECT_EQ(child->paints, 2);
}

}  // namespace
}  // namespace widgets
