#include "widgets/linear_gauge.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QPainter>
#include <QScreen>
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
  // A scale from lo_scale to max, three decimals, limits lo and hi, bands between them; shown
  // with the keyboard focus.
  void Show(double max, double lo, double hi, double lo_scale = 0.0) {
    gauge.SetScaleMax(max);
    gauge.SetScaleMin(lo_scale);
    for (const int slot : {2, 3}) gauge.SetDecimals(slot, 3);
    gauge.SetPointerValue(2, lo);
    gauge.SetPointerValue(3, hi);
    for (const int band : {0, 1}) {
      gauge.SetBandStart(band, lo);
      gauge.SetBandEnd(band, hi);
    }
    gauge.show();
    QApplication::setActiveWindow(&gauge);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&gauge));
    gauge.setFocus();
  }
  // The value under pixel x, worked out from the track alone, rounded to three decimals.
  double ValueAt(int x) const {
    const QRect track = gauge.TrackRect();
    const double f = static_cast<double>(x - track.left()) / (track.width() - 1);
    return std::round((gauge.ScaleMin() + f * (gauge.ScaleMax() - gauge.ScaleMin())) * 1000.0) /
           1000.0;
  }

  LinearGauge gauge;
  std::vector<Note> notes;
};

// A press or a click alone moves nothing; each move of a drag is announced, the release once,
// even when the mouse leaves the handle's row. (Past the end the pointer stops exactly at the
// scale's end: checked with the +2.5V limits.)
TEST_F(LinearGaugeTest, DraggingAPointerAnnouncesEachMoveAndOneRelease) {
  Show(15.938, 10.0, 14.0);
  const QPoint grab = gauge.HandleRect(3).center();
  ASSERT_EQ(grab.x(), gauge.PositionOf(14.0));
  QTest::mouseClick(&gauge, Qt::LeftButton, {}, gauge.HandleRect(2).center());
  QTest::mousePress(&gauge, Qt::LeftButton, {}, grab);
  EXPECT_TRUE(notes.empty());
  QTest::mouseMove(&gauge, QPoint(grab.x() - 50, grab.y() + 30));
  QTest::mouseMove(&gauge, QPoint(grab.x() - 80, grab.y()));
  QTest::mouseRelease(&gauge, Qt::LeftButton, {}, QPoint(grab.x() - 80, grab.y()));
  const double v1 = ValueAt(grab.x() - 50);
  const double v2 = ValueAt(grab.x() - 80);
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 3, v1, 3}, {'m', 3, v2, 3}, {'c', 3, v2, 3}}));
  EXPECT_EQ(gauge.PointerValue(2), 10.0);
}

TEST_F(LinearGaugeTest, DraggingABandEndMovesOnlyThatBand) {
  Show(15.938, 10.0, 14.0);
  const QPoint grab(gauge.PositionOf(14.0), gauge.TrackRect().top() + 3);  // band 0: upper half
  QTest::mousePress(&gauge, Qt::LeftButton, {}, grab);
  QTest::mouseMove(&gauge, grab - QPoint(40, 0));
  QTest::mouseRelease(&gauge, Qt::LeftButton, {}, grab - QPoint(40, 0));
  const double v = ValueAt(grab.x() - 40);
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 0, v, 0}, {'c', 0, v, 0}}));
  EXPECT_EQ(gauge.BandEnd(0), v);
  EXPECT_EQ(gauge.BandEnd(1), 14.0);
  EXPECT_EQ(gauge.PointerValue(3), 14.0);  // keeping the rest in step is the caller's business
}

// Arrows step by the decimals (or a step given), PageUp/Down by sixteen, Tab moves to the other
// pointer inside the gauge; each key is a drag and a release, and a key that changes nothing
// announces nothing.
TEST_F(LinearGaugeTest, EachKeyIsADragAndARelease) {
  Show(127.0, 0.0, 60.0, -128.0);
  QTest::keyClick(&gauge, Qt::Key_Up);  // the low pointer is selected first
  EXPECT_EQ(gauge.PointerValue(2), 0.001);
  gauge.SetStep(2, 0.25);
  QTest::keyClick(&gauge, Qt::Key_Right);  // to the step's grid
  EXPECT_EQ(notes.back(), (Note{'c', 2, 0.25, 2}));

  notes.clear();
  gauge.SetStep(3, 1.0);
  QTest::keyClick(&gauge, Qt::Key_Tab);
  EXPECT_TRUE(gauge.hasFocus());
  EXPECT_EQ(gauge.SelectedPointer(), 3);
  QTest::keyClick(&gauge, Qt::Key_Left);
  QTest::keyClick(&gauge, Qt::Key_PageDown);
  EXPECT_EQ(notes,
            (std::vector<Note>{
                {'m', 3, 59.0, 3}, {'c', 3, 59.0, 3}, {'m', 3, 43.0, 3}, {'c', 3, 43.0, 3}}));
  notes.clear();
  QTest::keyClick(&gauge, Qt::Key_End);
  QTest::keyClick(&gauge, Qt::Key_Right);
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 3, 127.0, 3}, {'c', 3, 127.0, 3}}));
  QTest::keyClick(&gauge, Qt::Key_Backtab);
  EXPECT_EQ(gauge.SelectedPointer(), 2);
}

// A handler may move the pointer again on pointerMoved (the limits' gap rule does); the release
// then reports where the pointer really is.
TEST_F(LinearGaugeTest, TheReleaseCarriesTheValueAHandlerLeft) {
  QObject::connect(&gauge, &LinearGauge::pointerMoved, [this](int slot, double v) {
    if (slot == 2 && v > 13.0) {
      gauge.SetPointerValue(2, 12.5);
      gauge.SetCurrentPointer(1);
    }
  });
  Show(15.938, 10.0, 14.0);
  QTest::keyClick(&gauge, Qt::Key_End);
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 2, 15.938, 2}, {'c', 2, 12.5, 2}}));
}

// Code's values announce nothing; pointers stay on the scale, the reading is kept as given.
TEST_F(LinearGaugeTest, ValuesSetByCodeAnnounceNothingAndPointersStayOnTheScale) {
  Show(3.32, 1.0, 3.0);
  gauge.SetPointerValue(3, 3.346);
  gauge.SetPointerValue(2, -1.0);
  gauge.SetReading(3.346);
  EXPECT_EQ(gauge.PointerValue(3), 3.32);
  EXPECT_EQ(gauge.PointerValue(2), 0.0);
  EXPECT_EQ(gauge.Reading(), 3.346);
  EXPECT_TRUE(notes.empty());
}

TEST_F(LinearGaugeTest, ASlotOutOfSightOrNotDraggableCannotBeMoved) {
  for (const int slot : {0, 1, 3}) {
    gauge.SetSlotVisible(slot, false);
    gauge.SetDraggable(slot, false);
  }
  Show(10000.0, 4000.0, 9000.0, 2657.0);
  gauge.SetStep(2, 1.0);
  EXPECT_TRUE(gauge.HandleRect(3).isEmpty());
  EXPECT_FALSE(gauge.UserSetPointer(3, 5000.0));
  gauge.SetSelectedPointer(3);
  QTest::keyClick(&gauge, Qt::Key_Right);  // falls back to the one pointer that can move
  EXPECT_EQ(notes, (std::vector<Note>{{'m', 2, 4001.0, 2}, {'c', 2, 4001.0, 2}}));
  EXPECT_EQ(gauge.PointerValue(3), 9000.0);
}

TEST_F(LinearGaugeTest, AccessibilityToolsSeeTheReadingTheLimitsAndTheCaption) {
  gauge.SetReading(12.062);
  gauge.SetCaption(QStringLiteral("12.062V"));
  Show(15.938, 10.0, 14.0);
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
  EXPECT_EQ(iface->child(1)->valueInterface()->currentValue().toDouble(), 10.0);
  EXPECT_EQ(iface->child(2)->valueInterface()->maximumValue().toDouble(), 15.938);
  // Extents are the handles, on the screen (the end-to-end test drags by them).
  const QRect handle = gauge.HandleRect(2);
  EXPECT_EQ(iface->child(1)->rect(), QRect(gauge.mapToGlobal(handle.topLeft()), handle.size()));

  // The reading is read only. (A limit set from outside is a drag and a release: the end-to-end
  // walk sees its writes.)
  iface->child(0)->valueInterface()->setCurrentValue(1.0);
  EXPECT_TRUE(notes.empty());
  EXPECT_TRUE(iface->child(0)->state().readOnly);

  gauge.SetSlotVisible(3, false);
  EXPECT_TRUE(iface->child(2)->state().invisible);
  EXPECT_FALSE(iface->child(1)->state().invisible);
  gauge.SetCaption(QStringLiteral("4821RPM"));
  EXPECT_EQ(iface->child(3)->text(QAccessible::Name), QStringLiteral("4821RPM"));
}

// Readings and captions repaint only their own strips, each marked once until the paint: the
// window shows what a whole paint of the gauge draws, after every change.
TEST_F(LinearGaugeTest, TheWindowShowsEveryReadingAndCaption) {
  Show(16.0, 4.0, 12.0);
  const auto rgb = [](const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); };
  for (const double reading : {3.0, 15.5, 15.5, 0.25, 9.0}) {
    SCOPED_TRACE(reading);
    gauge.SetReading(reading - 1.0);  // a change the next one overtakes before the paint
    gauge.SetReading(reading);
    gauge.SetCaption(QString::number(reading) + QStringLiteral("V"));
    QCoreApplication::sendPostedEvents();
    const QImage window = gauge.screen()->grabWindow(gauge.winId()).toImage();
    ASSERT_TRUE(rgb(window) == rgb(gauge.grab().toImage()));
  }
}

// Captions are kept laid out, a few at a time: whichever caption comes back, after others have
// taken its place or the font has changed, the gauge shows what a new gauge shows for it.
TEST_F(LinearGaugeTest, ACaptionThatComesBackShowsAsANewGaugeShowsIt) {
  const auto shot = [](LinearGauge& g) {
    return g.grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  const auto fresh = [&](const QString& caption, const QFont& font) {
    LinearGauge other;
    other.resize(gauge.size());
    other.setFont(font);
    other.SetCaption(caption);
    return shot(other);
  };
  for (int k = 0; k < 12; ++k) {
    gauge.SetCaption(QStringLiteral("%1.5V").arg(k));
    shot(gauge);
  }
  for (const int k : {11, 4, 0, 7}) {
    SCOPED_TRACE(k);
    const QString caption = QStringLiteral("%1.5V").arg(k);
    gauge.SetCaption(caption);
    ASSERT_TRUE(shot(gauge) == fresh(caption, gauge.font()));
  }
  QFont larger = gauge.font();
  larger.setPointSize(larger.pointSize() + 6);
  gauge.setFont(larger);
  ASSERT_TRUE(shot(gauge) == fresh(QStringLiteral("7.5V"), larger));
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

// The gauge draws what lies behind it itself: a new reading repaints the gauge alone, and its
// empty corner shows the parent as the parent paints it there, after a move and after a
// change of palette.
TEST(LinearGaugeBackdrop, ANewReadingRepaintsTheGaugeAloneOverWhatLiesBehindIt) {
  SquaresParent parent;
  QPalette palette = parent.palette();
  palette.setColor(QPalette::Window, QColor(220, 40, 40));
  parent.setPalette(palette);
  parent.resize(640, 240);
  auto* gauge = new LinearGauge(&parent);
  gauge->setGeometry(20, 30, 420, gauge->sizeHint().height());
  gauge->SetCaption(QStringLiteral("12.000V"));
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  // The gauge's top-left corner, on screen and as the parent alone paints it.
  const auto corner_shows_parent = [&] {
    QCoreApplication::sendPostedEvents();
    const QRect corner(gauge->pos() + QPoint(2, 2), QSize(3, 3));
    const QImage screen = parent.screen()->grabWindow(parent.winId()).toImage().copy(corner);
    QImage bare(parent.size(), QImage::Format_RGB32);
    parent.render(&bare, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return screen.convertToFormat(QImage::Format_RGB32) == bare.copy(corner);
  };
  EXPECT_TRUE(corner_shows_parent());
  gauge->move(200, 150);
  EXPECT_TRUE(corner_shows_parent());
  palette.setColor(QPalette::Window, QColor(40, 200, 40));
  parent.setPalette(palette);
  EXPECT_TRUE(corner_shows_parent());

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
