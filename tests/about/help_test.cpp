#include <gtest/gtest.h>

#include <QAccessible>
#include <QFile>
#include <QPushButton>
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
  for (const auto& [folder, path] : {
           std::pair{"/opt/kelvran", "/opt/kelvran/KELVRAN.html"},
           {"/opt/kelvran/", "/opt/kelvran/KELVRAN.html"},
           {"/", "/KELVRAN.html"},
           // The blanks only decide whether a separator is needed; the folder keeps its own name.
           {"/opt/kelvran ", "/opt/kelvran /KELVRAN.html"},
           {"/opt/kelvran/ ", "/opt/kelvran/ KELVRAN.html"},
       })
    EXPECT_EQ(about::HelpFilePath(QString::fromLatin1(folder)), QString::fromLatin1(path));
}

// F1 does nothing before init_help; after it, F1 in any window opens the one help window at the
// file's contents, and close_help closes it (harmless when none is open). A missing file is said
// in the help window, whose Close button closes it (Escape and Ctrl+W: the end-to-end walk).
// Screen readers see a frame and a named text.
TEST(Help, F1OpensTheOneHelpWindowAtTheContentsFromAnyWindow) {
  devaccess::Declarations d;
  QWidget owner;
  about::Help help(d);
  QTemporaryDir folder;
  QTest::keyClick(&owner, Qt::Key_F1);
  EXPECT_EQ(help.window(), nullptr);
  help.init_help(&owner, folder.path());
  EXPECT_NE(d.help_owner_hwnd, 0);
  EXPECT_EQ(help.help_file(), folder.path() + QStringLiteral("/KELVRAN.html"));
  help.close_help();

  QTest::keyClick(&owner, Qt::Key_F1);
  ASSERT_NE(help.window(), nullptr);
  const QString shown = help.window()->browser()->toPlainText();
  EXPECT_TRUE(shown.contains(QStringLiteral("could not be opened"))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(help.help_file()));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(help.window())->role(), QAccessible::Window);
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(help.window()->browser())
                   ->text(QAccessible::Name)
                   .isEmpty());
  QTest::mouseClick(help.window()->findChild<QPushButton*>(QStringLiteral("help_close")),
                    Qt::LeftButton);
  EXPECT_FALSE(help.window()->isVisible());

  ASSERT_TRUE(QFile::copy(QStringLiteral(KELVRAN_HELP_SOURCE), help.help_file()));
  QWidget other_window;  // a window the help object knows nothing about, like the About box
  for (QWidget* where : {&owner, &other_window, &owner}) {
    QTest::keyClick(where, Qt::Key_F1);
    EXPECT_TRUE(help.window()->isVisible());
    const QUrl source = help.window()->browser()->source();
    EXPECT_EQ(source.toLocalFile(), QFileInfo(help.help_file()).absoluteFilePath());
    EXPECT_EQ(source.fragment(), QStringLiteral("contents"));
    EXPECT_TRUE(help.window()->browser()->toPlainText().contains(
        QStringLiteral("KELVRAN Evaluation Software: user's guide")));
    EXPECT_EQ(owner.findChildren<about::HelpWindow*>().size(), 1);
  }
  help.close_help();
  EXPECT_FALSE(help.window()->isVisible());
}

// Every link inside the guide leads somewhere, and each tab and the troubleshooting topics have a
// section to link to.
TEST(HelpFile, EveryLinkHasItsAnchorAndTheContentsFollowTheSections) {
  QFile file(QStringLiteral(KELVRAN_HELP_SOURCE));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString html = QString::fromUtf8(file.readAll());
  QSet<QString> anchors;
  const QRegularExpression anchor(QStringLiteral(R"re((?:name|id)="([^"]+)")re"));
  for (auto it = anchor.globalMatch(html); it.hasNext();) anchors.insert(it.next().captured(1));
  int links = 0;
  const QRegularExpression link(QStringLiteral(R"re(href="#([^"]+)")re"));
  for (auto it = link.globalMatch(html); it.hasNext(); ++links) {
    const QString target = it.next().captured(1);
    EXPECT_TRUE(anchors.contains(target)) << "no anchor for #" << target.toStdString();
  }
  EXPECT_GT(links, 10);
  for (const char* section : {"contents", "wizard", "main", "readwrite", "visual", "channelmode",
                              "troubleshooting", "permissions"})
    EXPECT_TRUE(anchors.contains(QString::fromLatin1(section))) << section;

  // The contents list every numbered section, with the number the body gives it, and under each
  // its anchored subsections, in the body's order: one list made from the contents, one from the
  // headings, and the two must agree.
  const qsizetype begin = html.indexOf(QStringLiteral("<h3>Contents</h3>"));
  const qsizetype end = html.indexOf(QStringLiteral("</ol>"), begin);
  ASSERT_GE(begin, 0);
  ASSERT_GT(end, begin);

  QStringList from_contents;
  int depth = 0;
  int number = 0;
  const QRegularExpression entry(
      QStringLiteral(R"re(<ul>|</ul>|<li><a href="#([^"]+)">([^<]+)</a>)re"));
  for (auto it = entry.globalMatch(html.mid(begin, end - begin)); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (m.captured(0) == QLatin1String("<ul>")) {
      ++depth;
    } else if (m.captured(0) == QLatin1String("</ul>")) {
      --depth;
    } else if (depth == 0) {
      from_contents << QStringLiteral("#%1 %2. %3")
                           .arg(m.captured(1))
                           .arg(++number)
                           .arg(m.captured(2).simplified());
    } else {
      from_contents << QStringLiteral("  #%1 %2").arg(m.captured(1), m.captured(2).simplified());
    }
  }

  QStringList from_headings;
  const QRegularExpression heading(
      QStringLiteral(R"re(<h([23])><a name="([^"]+)" id="[^"]+"></a>([^<]+)</h[23]>)re"));
  for (auto it = heading.globalMatch(html, end); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    from_headings << (m.captured(1) == QLatin1String("2") ? QString() : QStringLiteral("  ")) +
                         QStringLiteral("#%1 %2").arg(m.captured(2), m.captured(3).simplified());
  }
  EXPECT_GT(number, 8);
  EXPECT_EQ(from_contents.join(QLatin1Char('\n')), from_headings.join(QLatin1Char('\n')));
}

}  // namespace
