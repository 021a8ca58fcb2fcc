#include "widgets/linear_gauge.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include "support/qstring_printer.h"

namespace widgets {
namespace {

class PaintCounter : public QObject {
 public:
  explicit PaintCounter(int& paints) : paints_(paints) {}
  bool eventFilter(QObject*, QEvent* e) override {
    paints_ += e->type() == QEvent::Paint;
    return false;
  }

 private:
  int& paints_;
};

// Screen readers see the reading, the limits and the caption; values the program sets are
// announced to no one.
TEST(LinearGaugeAccessibility, ToolsSeeTheReadingTheLimitsAndTheCaptionNotCodesValues) {
  LinearGauge gauge;
  int announced = 0;  // pointerMoved and valueChanged signals
  QObject::connect(&gauge, &LinearGauge::pointerMoved, [&announced] { ++announced; });
  QObject::connect(&gauge, &LinearGauge::valueChanged, [&announced] { ++announced; });
  gauge.resize(420, gauge.sizeHint().height());
  gauge.SetReading(12.062);
  gauge.SetCaption(QStringLiteral("12.062V"));
  gauge.SetScaleMax(15.938);
  gauge.SetPointerValue(2, 10.0);
  gauge.SetPointerValue(3, 14.0);
  gauge.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&gauge));
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&gauge);
  ASSERT_NE(iface, nullptr);
  ASSERT_EQ(iface->childCount(), 4);
  const QStringList names{"reading", "low limit", "high limit", "12.062V"};
  for (int i = 0; i < 4; ++i) {
    QAccessibleInterface* child = iface->child(i);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->text(QAccessible::Name), names[i]);
    EXPECT_EQ(child->role(), i < 3 ? QAccessible::Slider : QAccessible::StaticText);
    EXPECT_EQ(iface->indexOfChild(child), i);
  }
  EXPECT_EQ(iface->child(0)->valueInterface()->currentValue().toDouble(), 12.062);
  // Extents are the handles, on the screen. (The limits' values and scale: the end-to-end walk.)
  const QRect handle = gauge.HandleRect(2);
  EXPECT_EQ(iface->child(1)->rect(), QRect(gauge.mapToGlobal(handle.topLeft()), handle.size()));

  // The reading is read only. (A limit set from outside is a drag and a release: the end-to-end
  // walk sees its writes.)
  iface->child(0)->valueInterface()->setCurrentValue(1.0);
  EXPECT_EQ(announced, 0);
  EXPECT_TRUE(iface->child(0)->state().readOnly);

  gauge.SetSlotVisible(3, false);
  EXPECT_TRUE(iface->child(2)->state().invisible);
  EXPECT_FALSE(iface->child(1)->state().invisible);
  gauge.SetCaption(QStringLiteral("4821RPM"));
  EXPECT_EQ(iface->child(3)->text(QAccessible::Name), QStringLiteral("4821RPM"));

  // Pointers set by the program stay on the scale, the reading is kept as given.
  gauge.SetPointerValue(3, 16.0);
  gauge.SetPointerValue(2, -1.0);
  gauge.SetReading(16.0);
  EXPECT_EQ(gauge.PointerValue(3), 15.938);
  EXPECT_EQ(gauge.PointerValue(2), 0.0);
  EXPECT_EQ(gauge.Reading(), 16.0);
  EXPECT_EQ(announced, 0);
}

// A parent that paints squares of shades of its window colour, a different one at each place,
// and counts its paints.
class SquaresParent : public QWidget {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override {
    ++paints;
    QPainter p(this);
    for (int y = 0; y < height(); y += 10) {
      for (int x = 0; x < width(); x += 10) {
        const int shade = 100 + (x / 10 + 7 * (y / 10)) % 60;
        p.fillRect(x, y, 10, 10, palette().color(QPalette::Window).darker(shade));
      }
    }
  }
};

// The gauge draws what lies behind it itself and repaints only the strip of a new reading or
// caption, each marked once until the paint; captions are kept laid out a few at a time. After
// every change (a reading, a caption coming back after others took its place, a font, a move, a
// palette) the window shows what a new gauge over a new parent draws, and a new reading repaints
// the gauge alone.
TEST(LinearGaugeWindow, ShowsWhatANewGaugeDrawsAfterEveryChange) {
  SquaresParent parent;
  QPalette palette = parent.palette();
  palette.setColor(QPalette::Window, QColor(220, 40, 40));
  parent.setPalette(palette);
  parent.resize(640, 240);
  auto* gauge = new LinearGauge(&parent);
  gauge->setFocusPolicy(Qt::NoFocus);  // as a new gauge, without a focus frame
  gauge->setGeometry(20, 30, 420, gauge->sizeHint().height());
  gauge->SetScaleMax(16.0);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  const auto shows_as_new = [&] {
    QCoreApplication::sendPostedEvents();
    SquaresParent fresh_parent;
    fresh_parent.setPalette(parent.palette());
    fresh_parent.resize(parent.size());
    LinearGauge fresh(&fresh_parent);
    fresh.setGeometry(gauge->geometry());
    fresh.setFont(gauge->font());
    fresh.SetScaleMax(16.0);
    fresh.SetReading(gauge->Reading());
    fresh.SetCaption(gauge->Caption());
    return parent.screen()
               ->grabWindow(parent.winId())
               .toImage()
               .convertToFormat(QImage::Format_RGB32) ==
           fresh_parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  int reading = 0;
  for (const int k : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 11, 4, 0, 7}) {
    gauge->SetReading(reading - 1.0);  // a change the next one overtakes before the paint
    gauge->SetReading(++reading);
    gauge->SetCaption(QStringLiteral("%1.5V").arg(k));
    EXPECT_TRUE(shows_as_new()) << k;
  }
  QFont larger = gauge->font();
  larger.setPointSize(larger.pointSize() + 6);
  gauge->setFont(larger);
  EXPECT_TRUE(shows_as_new()) << "a larger font";
  gauge->move(200, 150);
  EXPECT_TRUE(shows_as_new()) << "moved";
  palette.setColor(QPalette::Window, QColor(40, 200, 40));
  parent.setPalette(palette);
  EXPECT_TRUE(shows_as_new()) << "a new palette";

  parent.paints = 0;
  int gauge_paints = 0;
  PaintCounter counter(gauge_paints);
  gauge->installEventFilter(&counter);
  gauge->SetReading(42.0);
  gauge->SetCaption(QStringLiteral("42.000V"));
  QCoreApplication::sendPostedEvents();
  EXPECT_GT(gauge_paints, 0);
  EXPECT_EQ(parent.paints, 0);
}

}  // namespace
}  // namespace widgets
