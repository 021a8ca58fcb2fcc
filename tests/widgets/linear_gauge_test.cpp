#include "widgets/linear_gauge.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <cmath>
#include <vector>

#include "support/qstring_printer.h"

namespace widgets {
namespace {

// What the gauge announced, in order, with the current pointer at the moment of each signal.
struct Note {
  char kind;  // 'm' pointerMoved, 'c' valueChanged
  int slot;
  double value;
  int current;
  bool operator==(const Note&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Note& n) {
  return os << n.kind << '(' << n.slot << ", " << n.value << ", current " << n.current << ')';
}

class LinearGaugeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gauge.resize(420, gauge.sizeHint().height());
    QObject::connect(&gauge, &LinearGauge::pointerMoved, [this](int slot, double v) {
      notes.push_back({'m', slot, v, gauge.CurrentPointer()});
    });
    QObject::connect(&gauge, &LinearGauge::valueChanged, [this](int slot, double v) {
      notes.push_back({'c', slot, v, gauge.CurrentPointer()});
    });
  }

  // A voltage channel: 0 to max volts, three decimals, limits lo and hi, bands between them.
  void Volts(double max, double lo, double hi) {
    gauge.SetScaleMax(max);
    gauge.SetScaleMin(0.0);
    for (const int slot : {2, 3}) gauge.SetDecimals(slot, 3);
    gauge.SetPointerValue(2, lo);
    gauge.SetPointerValue(3, hi);
    for (const int band : {0, 1}) {
      gauge.SetBandStart(band, lo);
      gauge.SetBandEnd(band, hi);
    }
  }

  void Show() {
    gauge.show();
    QApplication::setActiveWindow(&gauge);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&gauge));
    gauge.setFocus();
  }

  // The value under pixel x, worked out from the track alone, rounded to three decimals.
  double VoltsAt(int x) const {
    const QRect track = gauge.TrackRect();
    const double f = static_cast<double>(x - track.left()) / (track.width() - 1);
    return std::round((gauge.ScaleMin() + f * (gauge.ScaleMax() - gauge.ScaleMin())) * 1000.0) /
           1000.0;
  }

  LinearGauge gauge;
  std::vector<Note> notes;
};

TEST_F(LinearGaugeTest, DraggingAPointerAnnouncesEachMoveAndOneRelease) {
  Volts(15.938, 10.0, 14.0);
  Show();
  const QPoint grab = gauge.HandleRect(3).center();
  ASSERT_EQ(grab.x(), gauge.PositionOf(14.0));
  QTest::mousePress(&gauge, Qt::LeftButton, {}, grab);
  EXPECT_TRUE(notes.empty());  // a press alone moves nothing

  const int x1 = grab.x() - 50;
  const int x2 = grab.x() - 80;
  QTest::mouseMove(&gauge, QPoint(x1, grab.y() + 30));  // off the handle's row: still dragging
  QTest::mouseMove(&gauge, QPoint(x2, grab.y()));
  const std::vector<Note> during = notes;
  QTest::mouseRelease(&gauge, Qt::LeftButton, {}, QPoint(x2, grab.y()));

  const double v1 = VoltsAt(x1);
  const double v2 = VoltsAt(x2);
  EXPECT_EQ(during, (std::vector<Note>{{'m', 3, v1, 3}, {'m', 3, v2, 3}}));
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 3, v1, 3}, {'m', 3, v2, 3}, {'c', 3, v2, 3}}));
  EXPECT_EQ(gauge.PointerValue(3), v2);
  EXPECT_EQ(gauge.PointerValue(2), 10.0);
}

TEST_F(LinearGaugeTest, APointerDraggedPastTheEndStopsExactlyAtTheScaleEnd) {
  Volts(3.32, 1.0, 3.0);
  Show();
  const QPoint grab = gauge.HandleRect(3).center();
  QTest::mousePress(&gauge, Qt::LeftButton, {}, grab);
  QTest::mouseMove(&gauge, QPoint(gauge.width() + 40, grab.y()));
  QTest::mouseRelease(&gauge, Qt::LeftButton, {}, QPoint(gauge.width() + 40, grab.y()));
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[1], (Note{'c', 3, 3.32, 3}));
  EXPECT_EQ(gauge.PointerValue(3), 3.32);  // not 3.3200000000000003
}

TEST_F(LinearGaugeTest, AClickWithoutAMoveAnnouncesNothing) {
  Volts(15.938, 10.0, 14.0);
  Show();
  QTest::mouseClick(&gauge, Qt::LeftButton, {}, gauge.HandleRect(2).center());
  EXPECT_TRUE(notes.empty());
}

TEST_F(LinearGaugeTest, DraggingABandEndMovesOnlyThatBand) {
  Volts(15.938, 10.0, 14.0);
  Show();
  const QRect track = gauge.TrackRect();
  const QPoint grab(gauge.PositionOf(14.0), track.top() + 3);  // band 0 is the upper half
  QTest::mousePress(&gauge, Qt::LeftButton, {}, grab);
  QTest::mouseMove(&gauge, grab - QPoint(40, 0));
  QTest::mouseRelease(&gauge, Qt::LeftButton, {}, grab - QPoint(40, 0));
  const double v = VoltsAt(grab.x() - 40);
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 0, v, 0}, {'c', 0, v, 0}}));
  EXPECT_EQ(gauge.BandEnd(0), v);
  EXPECT_EQ(gauge.BandEnd(1), 14.0);
  EXPECT_EQ(gauge.PointerValue(3), 14.0);  // keeping the rest in step is the caller's business
}

TEST_F(LinearGaugeTest, EachKeyIsADragAndARelease) {
  gauge.SetScaleMax(127.0);
  gauge.SetScaleMin(-128.0);
  gauge.SetPointerValue(2, 0.0);
  gauge.SetPointerValue(3, 60.0);
  Show();
  ASSERT_TRUE(gauge.hasFocus());
  QTest::keyClick(&gauge, Qt::Key_Right);  // the low pointer is selected first
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 2, 1.0, 2}, {'c', 2, 1.0, 2}}));

  notes.clear();
  QTest::keyClick(&gauge, Qt::Key_Tab);  // to the high pointer, still inside the gauge
  EXPECT_TRUE(gauge.hasFocus());
  EXPECT_EQ(gauge.SelectedPointer(), 3);
  QTest::keyClick(&gauge, Qt::Key_Left);
  QTest::keyClick(&gauge, Qt::Key_PageDown);
  EXPECT_EQ(notes,
            (std::vector<Note>{
                {'m', 3, 59.0, 3}, {'c', 3, 59.0, 3}, {'m', 3, 49.0, 3}, {'c', 3, 49.0, 3}}));

  notes.clear();
  QTest::keyClick(&gauge, Qt::Key_End);
  QTest::keyClick(&gauge, Qt::Key_Right);  // already at the end: no change, nothing announced
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 3, 127.0, 3}, {'c', 3, 127.0, 3}}));

  QTest::keyClick(&gauge, Qt::Key_Backtab);
  EXPECT_EQ(gauge.SelectedPointer(), 2);
}

TEST_F(LinearGaugeTest, AKeyStepsByTheDecimalsOrByAStepGiven) {
  Volts(15.938, 10.0, 14.0);
  Show();
  QTest::keyClick(&gauge, Qt::Key_Up);
  EXPECT_EQ(gauge.PointerValue(2), 10.001);
  gauge.SetStep(2, 0.25);
  QTest::keyClick(&gauge, Qt::Key_Up);
  EXPECT_EQ(gauge.PointerValue(2), 10.25);
}

// A handler may move the pointer again on pointerMoved (the limits' gap rule does); the release
// then reports where the pointer really is.
TEST_F(LinearGaugeTest, TheReleaseCarriesTheValueAHandlerLeft) {
  Volts(15.938, 10.0, 14.0);
  QObject::connect(&gauge, &LinearGauge::pointerMoved, [this](int slot, double v) {
    if (slot == 2 && v > 13.0) {
      gauge.SetPointerValue(2, 12.5);
      gauge.SetCurrentPointer(1);
    }
  });
  Show();
  QTest::keyClick(&gauge, Qt::Key_End);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0], (Note{'m', 2, 15.938, 2}));
  EXPECT_EQ(notes[1], (Note{'c', 2, 12.5, 2}));
}

TEST_F(LinearGaugeTest, ValuesSetByCodeAnnounceNothing) {
  Volts(15.938, 10.0, 14.0);
  gauge.SetReading(12.1);
  gauge.SetCaption(QStringLiteral("12.100V"));
  gauge.SetCurrentPointer(3);
  gauge.SetDraggable(3, false);
  gauge.SetSlotVisible(0, false);
  EXPECT_TRUE(notes.empty());
}

TEST_F(LinearGaugeTest, PointersStayOnTheScaleButTheReadingIsKeptAsGiven) {
  Volts(3.32, 1.0, 3.0);
  gauge.SetPointerValue(3, 3.346);
  gauge.SetPointerValue(2, -1.0);
  gauge.SetReading(3.346);
  EXPECT_EQ(gauge.PointerValue(3), 3.32);
  EXPECT_EQ(gauge.PointerValue(2), 0.0);
  EXPECT_EQ(gauge.Reading(), 3.346);
  // Code's values are not rounded to the decimals: the limits' fixed point needs four.
  gauge.SetPointerValue(2, 3.1131);
  EXPECT_EQ(gauge.PointerValue(2), 3.1131);
}

TEST_F(LinearGaugeTest, ASlotOutOfSightOrNotDraggableCannotBeMoved) {
  gauge.SetScaleMax(10000.0);
  gauge.SetScaleMin(2657.0);
  gauge.SetPointerValue(2, 4000.0);
  gauge.SetPointerValue(3, 9000.0);
  for (const int slot : {0, 1, 3}) {
    gauge.SetSlotVisible(slot, false);
    gauge.SetDraggable(slot, false);
  }
  Show();
  EXPECT_TRUE(gauge.HandleRect(3).isEmpty());
  EXPECT_FALSE(gauge.UserSetPointer(3, 5000.0));
  gauge.SetSelectedPointer(3);
  QTest::keyClick(&gauge, Qt::Key_Right);  // falls back to the one pointer that can move
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 2, 4001.0, 2}, {'c', 2, 4001.0, 2}}));
  EXPECT_EQ(gauge.PointerValue(3), 9000.0);
}

TEST_F(LinearGaugeTest, AccessibilityToolsSeeTheReadingTheLimitsAndTheCaption) {
  Volts(15.938, 10.0, 14.0);
  gauge.SetReading(12.062);
  gauge.SetCaption(QStringLiteral("12.062V"));
  Show();
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&gauge);
  ASSERT_NE(iface, nullptr);
  ASSERT_EQ(iface->childCount(), 4);
  const QStringList names{"reading", "low limit", "high limit", "12.062V"};
  const QList<QAccessible::Role> roles{QAccessible::Slider, QAccessible::Slider,
                                       QAccessible::Slider, QAccessible::StaticText};
  for (int i = 0; i < 4; ++i) {
    QAccessibleInterface* child = iface->child(i);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->text(QAccessible::Name), names[i]);
    EXPECT_EQ(child->role(), roles[i]);
    EXPECT_EQ(iface->indexOfChild(child), i);
    EXPECT_EQ(child->parent(), iface);
  }
  EXPECT_EQ(iface->child(0)->valueInterface()->currentValue().toDouble(), 12.062);
  EXPECT_EQ(iface->child(1)->valueInterface()->currentValue().toDouble(), 10.0);
  EXPECT_EQ(iface->child(2)->valueInterface()->maximumValue().toDouble(), 15.938);

  // Extents are the handles, on the screen.
  const QRect handle = gauge.HandleRect(2);
  EXPECT_EQ(iface->child(1)->rect(), QRect(gauge.mapToGlobal(handle.topLeft()), handle.size()));
  EXPECT_EQ(
      iface->childAt(iface->child(2)->rect().center().x(), iface->child(2)->rect().center().y()),
      iface->child(2));

  // Setting a limit from outside is a drag and a release.
  iface->child(2)->valueInterface()->setCurrentValue(12.5);
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 3, 12.5, 3}, {'c', 3, 12.5, 3}}));
  notes.clear();
  iface->child(0)->valueInterface()->setCurrentValue(1.0);  // the reading is read only
  EXPECT_TRUE(notes.empty());
  EXPECT_TRUE(iface->child(0)->state().readOnly);

  gauge.SetSlotVisible(3, false);
  EXPECT_TRUE(iface->child(2)->state().invisible);
  EXPECT_FALSE(iface->child(1)->state().invisible);
  EXPECT_TRUE(iface->child(2)->rect().isEmpty());

  gauge.SetCaption(QStringLiteral("4821RPM"));
  EXPECT_EQ(iface->child(3)->text(QAccessible::Name), QStringLiteral("4821RPM"));
}

}  // namespace
}  // namespace widgets
