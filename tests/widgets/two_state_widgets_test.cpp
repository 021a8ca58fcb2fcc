#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "widgets/clickable_label.h"
#include "widgets/toggle_switch.h"

namespace widgets {
namespace {

// The lever stands at the end that means on. (Clicks and Space are checked on the Channel
// Mode/VID tab, the accessible toggle action by the end-to-end walk on Wayland.)
TEST(ToggleSwitch, TheLeverStandsAtTheOnEnd) {
  ToggleSwitch toggle;
  toggle.resize(toggle.sizeHint());
  QSignalSpy toggled(&toggle, &ToggleSwitch::toggled);
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
  QTest::keyClick(&toggle, Qt::Key_Return);  // not a switching key
  EXPECT_EQ(toggled.count(), 0);             // nor is SetValue a user's change
}

// A label that remembers its size hints per text sizes each text as a plain one does, also after
// the font grew.
TEST(ClickableLabel, RememberedSizeHintsFollowTheTextAndTheFont) {
  ClickableLabel remembering(QStringLiteral("0"));
  remembering.SetFewTexts(true);
  ClickableLabel plain(QStringLiteral("0"));
  for (const auto& [text, points] : {std::pair{"10", 10}, {"0", 10}, {"10", 30}, {"0", 30}}) {
    for (QLabel* label : {static_cast<QLabel*>(&remembering), static_cast<QLabel*>(&plain)}) {
      label->setText(QString::fromLatin1(text));
      label->setFont(QFont(QString(), points));
    }
    EXPECT_EQ(remembering.sizeHint(), plain.sizeHint());
    EXPECT_EQ(remembering.minimumSizeHint(), plain.minimumSizeHint());
  }
}

}  // namespace
}  // namespace widgets
