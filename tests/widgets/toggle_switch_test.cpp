#include "widgets/toggle_switch.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace widgets {
namespace {

TEST(ToggleSwitch, SetFromCodeItAnnouncesNothing) {
  ToggleSwitch toggle;
  QSignalSpy toggled(&toggle, &ToggleSwitch::toggled);
  toggle.SetValue(true);
  toggle.SetValue(false);
  toggle.SetValue(false);
  EXPECT_EQ(toggled.count(), 0);
  EXPECT_FALSE(toggle.Value());
}

TEST(ToggleSwitch, SpaceAndAClickAreTheUsersChanges) {
  ToggleSwitch toggle;
  toggle.show();
  QApplication::setActiveWindow(&toggle);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&toggle));
  toggle.setFocus();
  QSignalSpy toggled(&toggle, &ToggleSwitch::toggled);

  QTest::keyClick(&toggle, Qt::Key_Space);
  ASSERT_EQ(toggled.count(), 1);
  EXPECT_EQ(toggled.at(0).at(0).toBool(), true);
  EXPECT_TRUE(toggle.Value());

  QTest::keyClick(&toggle, Qt::Key_Return);  // not a switching key
  EXPECT_EQ(toggled.count(), 1);

  QTest::mouseClick(&toggle, Qt::LeftButton);
  ASSERT_EQ(toggled.count(), 2);
  EXPECT_EQ(toggled.at(1).at(0).toBool(), false);
  EXPECT_FALSE(toggle.Value());
}

TEST(ToggleSwitch, TheLeverStandsAtTheOnEnd) {
  ToggleSwitch toggle;
  toggle.resize(toggle.sizeHint());
  const auto lever_right = [&] {
    const QImage img = toggle.grab().toImage();
    const int y = img.height() / 2;
    // The lever is the lightest thing in the slot.
    return img.pixelColor(img.width() - img.height() / 2, y).lightness() >
           img.pixelColor(img.height() / 2, y).lightness();
  };
  toggle.SetValue(true);
  EXPECT_TRUE(lever_right());
  toggle.SetValue(false);
  EXPECT_FALSE(lever_right());
  toggle.SetInverted(true);
  EXPECT_TRUE(lever_right());
}

TEST(ToggleSwitch, AccessibilityToolsSeeACheckableButtonThatTheyCanToggle) {
  ToggleSwitch toggle;
  QSignalSpy toggled(&toggle, &ToggleSwitch::toggled);
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&toggle);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->role(), QAccessible::Button);
  EXPECT_TRUE(iface->state().checkable);
  EXPECT_FALSE(iface->state().checked);
  toggle.SetValue(true);
  EXPECT_TRUE(iface->state().checked);
  EXPECT_EQ(toggled.count(), 0);

  QAccessibleActionInterface* actions = iface->actionInterface();
  ASSERT_NE(actions, nullptr);
  ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
  actions->doAction(QAccessibleActionInterface::toggleAction());
  ASSERT_EQ(toggled.count(), 1);
  EXPECT_EQ(toggled.at(0).at(0).toBool(), false);
  EXPECT_FALSE(iface->state().checked);
}

}  // namespace
}  // namespace widgets
