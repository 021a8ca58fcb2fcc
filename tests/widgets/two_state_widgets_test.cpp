#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "widgets/status_lamp.h"
#include "widgets/toggle_switch.h"

namespace widgets {
namespace {

QColor Centre(QWidget& w) {
  const QImage img = w.grab().toImage();
  return img.pixelColor(img.width() / 2, img.height() / 2);
}

// Dull green off, bright red on; the program's changes are not clicks, and a user's click shows
// the other state only until the program sets it again (the next tick).
TEST(StatusLamp, AClickFlipsItUntilTheProgramSetsItAgain) {
  StatusLamp lamp;
  lamp.resize(45, 26);
  QSignalSpy clicked(&lamp, &StatusLamp::clicked);
  EXPECT_EQ(Centre(lamp), StatusLamp::OffColor());
  EXPECT_GT(StatusLamp::OffColor().green(), StatusLamp::OffColor().red());
  EXPECT_GT(StatusLamp::OnColor().red(), 200);
  lamp.SetValue(true);
  EXPECT_EQ(Centre(lamp), StatusLamp::OnColor());
  EXPECT_EQ(clicked.count(), 0);

  QTest::mouseClick(&lamp, Qt::LeftButton);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_FALSE(lamp.Value());
  EXPECT_EQ(Centre(lamp), StatusLamp::OffColor());
  lamp.SetValue(true);
  EXPECT_EQ(Centre(lamp), StatusLamp::OnColor());
}

// Space and a click are the user's changes, SetValue the program's; the lever stands at the end
// that means on.
TEST(ToggleSwitch, SpaceAndAClickToggleItCodeDoesNot) {
  ToggleSwitch toggle;
  toggle.show();
  QApplication::setActiveWindow(&toggle);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&toggle));
  toggle.setFocus();
  QSignalSpy toggled(&toggle, &ToggleSwitch::toggled);
  toggle.SetValue(true);
  toggle.SetValue(false);
  EXPECT_EQ(toggled.count(), 0);

  QTest::keyClick(&toggle, Qt::Key_Space);
  QTest::keyClick(&toggle, Qt::Key_Return);  // not a switching key
  ASSERT_EQ(toggled.count(), 1);
  EXPECT_TRUE(toggled.at(0).at(0).toBool());
  EXPECT_TRUE(toggle.Value());
  QTest::mouseClick(&toggle, Qt::LeftButton);
  ASSERT_EQ(toggled.count(), 2);
  EXPECT_FALSE(toggled.at(1).at(0).toBool());

  const auto lever_right = [&] {  // the lever is the lightest thing in the slot
    const QImage img = toggle.grab().toImage();
    const int y = img.height() / 2;
    return img.pixelColor(img.width() - img.height() / 2, y).lightness() >
           img.pixelColor(img.height() / 2, y).lightness();
  };
  EXPECT_FALSE(lever_right());
  toggle.SetValue(true);
  EXPECT_TRUE(lever_right());
  toggle.SetInverted(true);
  EXPECT_FALSE(lever_right());
}

// Accessibility tools see a checkable object whose checked state is the value; the toggle action
// is a user's change.
TEST(TwoStateWidgets, AccessibilityToolsSeeTheStateAndCanToggle) {
  StatusLamp lamp;
  lamp.setToolTip(QStringLiteral("Interrupt Status"));
  ToggleSwitch toggle;
  QSignalSpy toggled(&toggle, &ToggleSwitch::toggled);
  const auto check = [](auto& w) {
    SCOPED_TRACE(w.metaObject()->className());
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&w);
    ASSERT_NE(iface, nullptr);
    EXPECT_TRUE(iface->state().checkable);
    EXPECT_FALSE(iface->state().checked);
    w.SetValue(true);
    EXPECT_TRUE(iface->state().checked);
  };
  check(lamp);
  check(toggle);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&lamp)->text(QAccessible::Name),
            QStringLiteral("Interrupt Status"));
  QAccessibleActionInterface* actions =
      QAccessible::queryAccessibleInterface(&toggle)->actionInterface();
  ASSERT_NE(actions, nullptr);
  actions->doAction(QAccessibleActionInterface::toggleAction());
  ASSERT_EQ(toggled.count(), 1);
  EXPECT_FALSE(toggle.Value());
}

}  // namespace
}  // namespace widgets
