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

  NotifyingSlider slider;
  std::vector<std::string> notes;
};

TEST_F(NotifyingSliderTest, ValuesSetByCodeAnnounceNothing) {
  slider.SetValue(128);
  slider.setValue(10);
  EXPECT_TRUE(notes.empty());
  EXPECT_EQ(slider.value(), 10);
}

TEST_F(NotifyingSliderTest, ADragAnnouncesEachMoveAndOneRelease) {
  slider.SetValue(128);
  const QPoint grab = HandleCentre();
  QTest::mousePress(&slider, Qt::LeftButton, {}, grab);
  QTest::mouseMove(&slider, grab - QPoint(0, 40));
  QTest::mouseMove(&slider, grab - QPoint(0, 80));
  const int top = slider.value();
  const std::vector<std::string> during = notes;
  QTest::mouseRelease(&slider, Qt::LeftButton, {}, grab - QPoint(0, 80));
  ASSERT_GT(top, 128);
  ASSERT_EQ(during.size(), 2u);
  EXPECT_EQ(during.back(), "moving " + std::to_string(top));
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes.back(), "changed " + std::to_string(top));
}

TEST_F(NotifyingSliderTest, AKeyIsOneMoveAndOneRelease) {
  slider.SetValue(128);
  QTest::keyClick(&slider, Qt::Key_Up);
  EXPECT_EQ(notes, (std::vector<std::string>{"moving 129", "changed 129"}));
  notes.clear();
  QTest::keyClick(&slider, Qt::Key_End);
  QTest::keyClick(&slider, Qt::Key_Up);  // at the top: nothing changes, nothing announced
  EXPECT_EQ(notes, (std::vector<std::string>{"moving 255", "changed 255"}));
}

TEST_F(NotifyingSliderTest, AnAccessibilityToolSettingTheValueIsOneMoveAndOneRelease) {
  slider.SetValue(128);
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&slider);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->role(), QAccessible::Slider);
  ASSERT_NE(iface->valueInterface(), nullptr);
  EXPECT_EQ(iface->valueInterface()->currentValue().toInt(), 128);
  iface->valueInterface()->setCurrentValue(0);
  EXPECT_EQ(notes, (std::vector<std::string>{"moving 0", "changed 0"}));
  EXPECT_EQ(slider.value(), 0);
}

// The program's slider is a subclass with its own meta-object; it must keep the interface that
// turns a tool's value into a move and a release.
class DerivedSlider : public NotifyingSlider {
  Q_OBJECT

 public:
  using NotifyingSlider::NotifyingSlider;
};

TEST_F(NotifyingSliderTest, ASubclassKeepsTheAccessibleValueBehaviour) {
  DerivedSlider derived;
  derived.setRange(0, 255);
  int moving = 0;
  int changed = 0;
  QObject::connect(&derived, &NotifyingSlider::moving, [&](int) { ++moving; });
  QObject::connect(&derived, &NotifyingSlider::changed, [&](int) { ++changed; });
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&derived);
  ASSERT_NE(iface, nullptr);
  ASSERT_NE(iface->valueInterface(), nullptr);
  iface->valueInterface()->setCurrentValue(200);
  EXPECT_EQ(moving, 1);
  EXPECT_EQ(changed, 1);
}

}  // namespace
}  // namespace widgets

#include "notifying_slider_test.moc"
