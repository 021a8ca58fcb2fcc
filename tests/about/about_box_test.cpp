#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "about/about_box.h"
#include "support/qstring_printer.h"

namespace {

QString LabelText(QWidget& box, const char* name) {
  auto* label = box.findChild<QLabel*>(QString::fromLatin1(name));
  return label != nullptr ? label->text()
                          : QStringLiteral("<no label %1>").arg(QLatin1String(name));
}

void FlushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct AboutCase {
  about::AppVersion version;
  const char* version_text;
};

TEST(FrmAbout, ShowsCaptionTitleAndVersion) {
  const AboutCase cases[] = {{{2, 0, 0}, "Version 2.0.0"}, {{2, 10, 3}, "Version 2.10.3"}};
  for (const AboutCase& c : cases) {
    SCOPED_TRACE(c.version_text);
    about::frmAbout box(c.version);
    box.setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_EQ(box.objectName(), QStringLiteral("frmAbout"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About KELVRAN Evaluation Software"));
    EXPECT_EQ(LabelText(box, "lblTitle"), QStringLiteral("KELVRAN Evaluation Software"));
    EXPECT_EQ(LabelText(box, "lblVersion"), QString::fromLatin1(c.version_text));
  }
}

TEST(FrmAbout, FixedTextsKeepTheirExactWording) {
  about::frmAbout box({2, 0, 0});
  box.setAttribute(Qt::WA_DeleteOnClose, false);
  EXPECT_EQ(LabelText(box, "lblDescription"),
            QStringLiteral("This software allows the user to read and write to an KELVRAN on a "
                           "computer motherboard connected to the SMBus or alternatively, an "
                           "KELVRAN Evaluation Board connected to either a parallel printer port "
                           "or a PC SMBus "));
  EXPECT_EQ(LabelText(box, "lblDisclaimer"), QStringLiteral("Warning: "));
  EXPECT_TRUE(box.findChild<QLabel*>(QStringLiteral("lblDisclaimer"))->font().bold());
  EXPECT_EQ(LabelText(box, "lblBy"), QStringLiteral("By:"));
  EXPECT_FALSE(LabelText(box, "lblCredits").isEmpty());
  EXPECT_FALSE(box.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());
}

TEST(FrmAbout, IsAnOrdinaryWindowNotAModalOne) {
  auto* box = new about::frmAbout({2, 0, 0});
  const QPointer<about::frmAbout> watch(box);
  box->show();
  EXPECT_FALSE(box->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  box->close();
  FlushDeletes();
  EXPECT_TRUE(watch.isNull());
}

// OK closes the box, and Enter and Esc press OK: each way the box closes and deletes itself.
TEST(FrmAbout, OkEnterAndEscapeCloseAndDeleteTheBox) {
  enum class Way { ClickOk, Enter, Escape };
  for (const Way way : {Way::ClickOk, Way::Enter, Way::Escape}) {
    SCOPED_TRACE(static_cast<int>(way));
    auto* box = new about::frmAbout({2, 0, 0});
    const QPointer<about::frmAbout> watch(box);
    box->show();
    auto* ok = box->findChild<QPushButton*>(QStringLiteral("cmdOK"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    switch (way) {
      case Way::ClickOk:
        QTest::mouseClick(ok, Qt::LeftButton);
        break;
      case Way::Enter:
        QTest::keyClick(box, Qt::Key_Return);
        break;
      case Way::Escape:
        QTest::keyClick(box, Qt::Key_Escape);
        break;
    }
    ASSERT_FALSE(watch.isNull());
    EXPECT_FALSE(box->isVisible());
    FlushDeletes();
    EXPECT_TRUE(watch.isNull());
  }
}

}  // namespace
