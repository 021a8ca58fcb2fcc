#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

#include "about/help.h"
#include "about/help_window.h"
#include "access/declarations.h"
#include "support/qstring_printer.h"

namespace {

TEST(HelpFilePath, JoinsFolderAndNameWithExactlyOneSeparator) {
  const struct {
    const char* folder;
    const char* path;
  } cases[] = {
      {"/opt/kelvran", "/opt/kelvran/KELVRAN.html"},
      {"/opt/kelvran/", "/opt/kelvran/KELVRAN.html"},
      {"/", "/KELVRAN.html"},
      // The blanks only decide whether a separator is needed; the folder keeps its own name.
      {"/opt/kelvran ", "/opt/kelvran /KELVRAN.html"},
      {"/opt/kelvran/ ", "/opt/kelvran/ KELVRAN.html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    EXPECT_EQ(about::HelpFilePath(QString::fromLatin1(c.folder)), QString::fromLatin1(c.path));
  }
}

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    ASSERT_TRUE(QFile::copy(QStringLiteral(KELVRAN_HELP_SOURCE),
                            folder_.filePath(QStringLiteral("KELVRAN.html"))));
  }

  QTemporaryDir folder_;
  devaccess::Declarations d_;
  QWidget owner_;
};

TEST_F(HelpTest, InitHelp_RecordsTheOwnerAndNamesTheFileBesideTheProgram) {
  about::Help help(d_);
  help.init_help(&owner_, folder_.path());
  EXPECT_NE(d_.help_owner_hwnd, 0);
  EXPECT_EQ(help.help_file(), folder_.path() + QStringLiteral("/KELVRAN.html"));
}

TEST_F(HelpTest, F1BeforeTheHelpIsSetUpDoesNothing) {
  about::Help help(d_);
  QTest::keyClick(&owner_, Qt::Key_F1);
  EXPECT_EQ(help.window(), nullptr);
}

TEST_F(HelpTest, F1OpensTheHelpFileAtItsContentsFromAnyWindow) {
  about::Help help(d_);
  help.init_help(&owner_, folder_.path());
  QWidget other_window;  // a window the help object knows nothing about, like the About box

  for (QWidget* where : {&owner_, &other_window}) {
    if (help.window() != nullptr) help.close_help();
    QTest::keyClick(where, Qt::Key_F1);
    ASSERT_NE(help.window(), nullptr);
    EXPECT_TRUE(help.window()->isVisible());
    const QUrl source = help.window()->browser()->source();
    EXPECT_EQ(source.toLocalFile(), QFileInfo(help.help_file()).absoluteFilePath());
    EXPECT_EQ(source.fragment(), QStringLiteral("contents"));
    EXPECT_TRUE(help.window()->browser()->toPlainText().contains(
        QStringLiteral("KELVRAN Evaluation Software: user's guide")));
  }
}

TEST_F(HelpTest, F1AgainReusesTheOneHelpWindow) {
  about::Help help(d_);
  help.init_help(&owner_, folder_.path());
  QTest::keyClick(&owner_, Qt::Key_F1);
  about::HelpWindow* first = help.window();
  QTest::keyClick(&owner_, Qt::Key_F1);
  EXPECT_EQ(help.window(), first);
  EXPECT_EQ(owner_.findChildren<about::HelpWindow*>().size(), 1);
}

TEST_F(HelpTest, CloseHelpClosesTheWindowAndIsHarmlessWhenNoneIsOpen) {
  about::Help help(d_);
  help.init_help(&owner_, folder_.path());
  help.close_help();  // nothing open yet
  QTest::keyClick(&owner_, Qt::Key_F1);
  ASSERT_TRUE(help.window()->isVisible());
  help.close_help();
  EXPECT_FALSE(help.window()->isVisible());
}

TEST_F(HelpTest, AMissingFileIsReportedInTheHelpWindow) {
  QTemporaryDir empty;
  about::Help help(d_);
  help.init_help(&owner_, empty.path());
  QTest::keyClick(&owner_, Qt::Key_F1);
  ASSERT_NE(help.window(), nullptr);
  const QString shown = help.window()->browser()->toPlainText();
  EXPECT_TRUE(shown.contains(QStringLiteral("could not be opened"))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(empty.path() + QStringLiteral("/KELVRAN.html")));
}

// Every link inside the guide leads somewhere, and each tab and the troubleshooting topics have a
// section to link to.
TEST(HelpFile, EveryInternalLinkHasItsAnchor) {
  QFile file(QStringLiteral(KELVRAN_HELP_SOURCE));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString html = QString::fromUtf8(file.readAll());

  QSet<QString> anchors;
  const QRegularExpression anchor(QString::fromLatin1(R"re((?:name|id)="([^"]+)")re"));
  for (auto it = anchor.globalMatch(html); it.hasNext();) anchors.insert(it.next().captured(1));
  const QRegularExpression link(QString::fromLatin1(R"re(href="#([^"]+)")re"));
  int links = 0;
  for (auto it = link.globalMatch(html); it.hasNext(); ++links) {
    const QString target = it.next().captured(1);
    EXPECT_TRUE(anchors.contains(target)) << "no anchor for #" << target.toStdString();
  }
  EXPECT_GT(links, 10);
  for (const char* section : {"contents", "wizard", "main", "readwrite", "visual", "channelmode",
                              "troubleshooting", "permissions"}) {
    EXPECT_TRUE(anchors.contains(QString::fromLatin1(section))) << section;
  }
}

}  // namespace
