#include "widgets/status_lamp.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

namespace widgets {
namespace {

QColor Centre(StatusLamp& lamp) {
  const QImage img = lamp.grab().toImage();
  return img.pixelColor(img.width() / 2, img.height() / 2);
}

TEST(StatusLamp, DullGreenWhenOffBrightRedWhenOn) {
  StatusLamp lamp;
  lamp.resize(45, 26);
  EXPECT_EQ(Centre(lamp), StatusLamp::OffColor());
  lamp.SetValue(true);
  EXPECT_EQ(Centre(lamp), StatusLamp::OnColor());
  // What the colours are meant to be, not just that they differ.
  EXPECT_GT(StatusLamp::OnColor().red(), 200);
  EXPECT_GT(StatusLamp::OffColor().green(), StatusLamp::OffColor().red());
  EXPECT_LT(StatusLamp::OffColor().green(), 160);
}

TEST(StatusLamp, AClickFlipsItUntilTheProgramSetsItAgain) {
  StatusLamp lamp;
  lamp.resize(45, 26);
  QSignalSpy clicked(&lamp, &StatusLamp::clicked);
  lamp.SetValue(false);
  lamp.SetValue(true);
  EXPECT_EQ(clicked.count(), 0);  // the program's changes are not clicks

  QTest::mouseClick(&lamp, Qt::LeftButton);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_FALSE(lamp.Value());
  EXPECT_EQ(Centre(lamp), StatusLamp::OffColor());

  lamp.SetValue(true);  // the next tick
  EXPECT_EQ(Centre(lamp), StatusLamp::OnColor());
  EXPECT_EQ(clicked.count(), 1);
}

TEST(StatusLamp, AccessibilityToolsSeeItsStateAsChecked) {
  StatusLamp lamp;
  lamp.setToolTip(QStringLiteral("Interrupt Status"));
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&lamp);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->role(), QAccessible::CheckBox);
  EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Interrupt Status"));
  EXPECT_TRUE(iface->state().checkable);
  EXPECT_FALSE(iface->state().checked);
  lamp.SetValue(true);
  EXPECT_TRUE(iface->state().checked);
}

}  // namespace
}  // namespace widgets
