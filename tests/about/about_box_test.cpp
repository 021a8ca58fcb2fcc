#include "about/about_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

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

// A plain window, not a modal one; OK, Enter and Esc each close it, and it deletes itself.
TEST(FrmAbout, OkEnterAndEscapeCloseAndDeleteTheBox) {
  for (const int way : {0, 1, 2}) {
    SCOPED_TRACE(way);
    auto* box = new about::frmAbout({2, 0, 0});
    const QPointer<about::frmAbout> watch(box);
    box->show();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    auto* ok = box->findChild<QPushButton*>(QStringLiteral("cmdOK"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    if (way == 0) QTest::mouseClick(ok, Qt::LeftButton);
    if (way > 0) QTest::keyClick(box, way == 1 ? Qt::Key_Return : Qt::Key_Escape);
    ASSERT_FALSE(watch.isNull());
    EXPECT_FALSE(box->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
  }
}

}  // namespace
