#include "about/about_box.h"

#include <gtest/gtest.h>

#include <QLabel>

#include "support/qstring_printer.h"

namespace {

QString LabelText(QWidget& box, const char* name) {
  auto* label = box.findChild<QLabel*>(QString::fromLatin1(name));
  return label != nullptr ? label->text() : QStringLiteral("<no label %1>").arg(name);
}

TEST(FrmAbout, ShowsItsTextsAndTheVersion) {
  about::frmAbout box({2, 10, 3});
  box.setAttribute(Qt::WA_DeleteOnClose, false);
  EXPECT_EQ(box.objectName(), QStringLiteral("frmAbout"));
  EXPECT_EQ(box.windowTitle(), QStringLiteral("About KELVRAN Evaluation Software"));
  EXPECT_EQ(LabelText(box, "lblTitle"), QStringLiteral("KELVRAN Evaluation Software"));
  EXPECT_EQ(LabelText(box, "lblVersion"), QStringLiteral("Version 2.10.3"));
  EXPECT_EQ(LabelText(box, "lblDescription"),
            QStringLiteral("This software allows the user to read and write to an KELVRAN on a "
                           "computer motherboard connected to the SMBus or alternatively, an "
                           "KELVRAN Evaluation Board connected to either a parallel printer "
                           "port or a PC SMBus "));
  EXPECT_EQ(LabelText(box, "lblDisclaimer"), QStringLiteral("Warning: "));
  EXPECT_TRUE(box.findChild<QLabel*>(QStringLiteral("lblDisclaimer"))->font().bold());
  EXPECT_EQ(LabelText(box, "lblBy"), QStringLiteral("By:"));
  EXPECT_FALSE(LabelText(box, "lblCredits").isEmpty());
  EXPECT_FALSE(box.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());
}

}  // namespace
