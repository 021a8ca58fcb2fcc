#include "widgets/notifying_slider.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <string>
#include <vector>

namespace widgets {
namespace {

// The program's slider is a subclass with its own meta-object; it must keep the behaviour too.
class DerivedSlider : public NotifyingSlider {
  Q_OBJECT

 public:
  using NotifyingSlider::NotifyingSlider;
};

class NotifyingSliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    slider.setRange(0, 255);
    slider.resize(30, 300);
    QObject::connect(&slider, &NotifyingSlider::moving,
                     [this](int v) { notes.push_back("moving " + std::to_string(v)); });
    QObject::connect(&slider, &NotifyingSlider::changed,
                     [this](int v) { notes.push_back("changed " + std::to_string(v)); });
    slider.show();
    QApplication::setActiveWindow(&slider);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&slider));
    slider.setFocus();
    slider.setValue(10);
    slider.SetValue(128);
  }
  QPoint HandleCentre() {
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    option.upsideDown = slider.orientation() == Qt::Vertical;
    return slider.style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider)
        .center();
  }

  DerivedSlider slider;
  std::vector<std::string> notes;  // values set by code (above) announce nothing
};

TEST_F(NotifyingSliderTest, ADragAnnouncesEachMoveAndOneRelease) {
  const QPoint grab = HandleCentre();
  QTest::mousePress(&slider, Qt::LeftButton, {}, grab);
  QTest::mouseMove(&slider, grab - QPoint(0, 40));
  QTest::mouseMove(&slider, grab - QPoint(0, 80));
  const int top = slider.value();
  QTest::mouseRelease(&slider, Qt::LeftButton, {}, grab - QPoint(0, 80));
  ASSERT_GT(top, 128);
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[1], "moving " + std::to_string(top));
  EXPECT_EQ(notes[2], "changed " + std::to_string(top));
}

// A key, or an accessibility tool setting the value, is one move and one release; a key that
// changes nothing announces nothing.
TEST_F(NotifyingSliderTest, AKeyOrAnAccessibilityToolIsOneMoveAndOneRelease) {
  QTest::keyClick(&slider, Qt::Key_Up);
  QTest::keyClick(&slider, Qt::Key_End);
  QTest::keyClick(&slider, Qt::Key_Up);
  EXPECT_EQ(notes,
            (std::vector<std::string>{"moving 129", "changed 129", "moving 255", "changed 255"}));
  notes.clear();
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&slider);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->role(), QAccessible::Slider);
  ASSERT_NE(iface->valueInterface(), nullptr);
  EXPECT_EQ(iface->valueInterface()->currentValue().toInt(), 255);
  iface->valueInterface()->setCurrentValue(0);
  EXPECT_EQ(notes, (std::vector<std::string>{"moving 0", "changed 0"}));
  EXPECT_EQ(slider.value(), 0);
}

}  // namespace
}  // namespace widgets

#include "notifying_slider_test.moc"
