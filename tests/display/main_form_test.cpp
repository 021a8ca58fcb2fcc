#include "display/main_form.h"

#include <gmock/gmock.h>

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <set>
#include <vector>

#include "about/about_box.h"
#include "about/help.h"
#include "about/help_window.h"
#include "support/sim_window_test.h"

namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

// The start notice exactly as the user must see it: carriage returns only, an empty line being a
// doubled one.
const QString kNoticeText = QStringLiteral(
    "Don't forget that the start bit in Configuration Register 1 must be set high\r"
    "to start the KELVRAN measuring voltages, temperatures or fan speeds.\r"
    "\r"
    "Pressing EasySetup in the visual display window will automatically do this\r"
    "and will also initialise all limits etc.\r"
    "\r"
    "If you select yes now, EasySetup will be selected for you, otherwise if you \r"
    "select no, you may select the EasySetup on the visual display tab at any time.\r"
    "\r"
    "Would you like to Automatically select EasySetup now?");

// START stays clear, so the chip keeps the pinned Configuration 1 (until EasySetup starts it).
class MainFormTest : public SimWindowTest<display::MainForm> {
 protected:
  void Load(int configuration1) { Open(R"({"0x40": "0x)" + Hex2(configuration1) + R"("})"); }
  QTabWidget& Tabs() { return *Find<QTabWidget>("Main_Form_Tab"); }
  std::set<std::string> ActiveTimers() {
    std::set<std::string> active;
    for (const char* name : {"visual_timer", "Timer3", "vid_channel_mode"})
      if (Find<QTimer>(name)->isActive()) active.insert(name);
    return active;
  }
  long StartNotices() const {
    return std::ranges::count(boxes_.shown, QStringLiteral("start_notice"),
                              &ScriptedMessageBoxes::Shown::purpose);
  }
  // Brings tab to the front as a click on its tab does (the entry steps run only on a change).
  void Enter(int tab) {
    ASSERT_NE(Tabs().currentIndex(), tab);
    Tabs().tabBar()->setCurrentIndex(tab);
  }
  // A plain mouse move to whatever lies under the point, as the window system sends it.
  void MoveMouseOver(QWidget* w, QPoint at) {
    const QPoint in_form = w->mapTo(window_.get(), at);
    QWidget* target = window_->childAt(in_form);
    if (target == nullptr) target = window_.get();
    const QPointF local = target->mapFrom(window_.get(), QPointF(in_form));
    QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
  }
};

TEST_F(MainFormTest, Load_SetsCaptionTabsAndMainTabTextsWithoutTouchingTheChip) {
  const QString saved = QCoreApplication::applicationVersion();
  QCoreApplication::setApplicationVersion(QStringLiteral("2.10.3"));
  Load(0x01);
  QCoreApplication::setApplicationVersion(saved);

  EXPECT_EQ(window_->windowTitle(), QStringLiteral("KELVRAN Evaluation Software"));
  ASSERT_EQ(Tabs().count(), 4);
  const char* const tabs[] = {"Main", "Read/Write", "Visual Display", "Channel Mode/VID "};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Tabs().tabText(i), QString::fromLatin1(tabs[i]));
  const struct {
    const char* name;
    const char* text;
  } texts[] = {
      {"lblMainTitle", "KELVRAN Evaluation Software"},
      {"lblVersionCaption", "Version:"},
      {"lblVersion", "Version 2.10.3"},
      {"lblHelpHint", "Press F1 for Help."},
      {"lblNoteHeading", "Note:"},
      {"lblNote",
       "To begin monitoring the KELVRAN applications board voltages, temperatures and fan speeds, "
       "the \"Start\" bit in the first configuration register must be set to 1. Alternatively, "
       "pressing the \"easy setup\" button on the visual display tab will set this bit high. "
       "Press F1 for more information."},
  };
  for (const auto& t : texts) EXPECT_EQ(Text(t.name), QString::fromLatin1(t.text)) << t.name;
  EXPECT_EQ(Find<QPushButton>("Command3")->text(), QStringLiteral("About"));

  EXPECT_EQ(d_.fan1_divisor, 1);
  EXPECT_EQ(d_.fan2_divisor, 1);
  EXPECT_NE(d_.help_owner_hwnd, 0);
  EXPECT_TRUE(window_->help().help_file().endsWith(QStringLiteral("/KELVRAN.html")));
  EXPECT_TRUE(ActiveTimers().empty());
  EXPECT_THAT(Take(), ::testing::IsEmpty()) << "the load reads nothing";
}

// Ctrl+PageDown and Ctrl+PageUp step through the tabs, round the ends. Whatever ran before,
// entering a tab leaves at most its own timer running: none on "Main" and "Read/Write"
// (continuous reading waits for its switch), visual_timer on "Visual Display", vid_channel_mode
// (50 ms) on "Channel Mode/VID ". (That the window fits a 1366x768 laptop screen at 125 %: the
// layout test.)
TEST_F(MainFormTest, CtrlPageKeysStepThroughTheTabsEachLeavingOnlyItsOwnTimerRunning) {
  Load(0x03);
  QApplication::setActiveWindow(window_.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  const char* const own[] = {nullptr, nullptr, "visual_timer", "vid_channel_mode"};
  std::vector<int> shown;
  for (const Qt::Key key : {Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_PageUp,
                            Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown}) {
    for (const char* name : {"visual_timer", "Timer3", "vid_channel_mode"})
      Find<QTimer>(name)->start();  // the worst case: all three on
    QTest::keyClick(window_.get(), key, Qt::ControlModifier);
    const int tab = Tabs().currentIndex();
    shown.push_back(tab);
    EXPECT_EQ(ActiveTimers(), own[tab] ? std::set<std::string>{own[tab]} : std::set<std::string>{})
        << tab;
  }
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 1, 0, 3, 0, 1, 2}));
  EXPECT_EQ(Find<QTimer>("vid_channel_mode")->interval(), 50);
}

// Configuration 1 decides on every visit to the Visual Display tab until the notice has been
// shown once; only 3 (START and INT Enable, what EasySetup writes) counts as started. The notice
// follows the tab's entry steps, whose last read is Configuration 1. No writes nothing, and a
// revisit after No brings no second notice.
TEST_F(MainFormTest, StartNotice_ShownOnceUnlessConfigurationReadsThree) {
  for (int configuration1 : {0x03, 0x01, 0x00, 0x02, 0x07, 0x0B}) {
    SCOPED_TRACE(configuration1);
    boxes_.shown.clear();
    boxes_.answers.assign(4, boxes::MsgAnswer::No);
    Load(configuration1);
    for (int tab : {1, 3, 0}) Enter(tab);
    EXPECT_EQ(StartNotices(), 0) << "only the Visual Display tab brings the notice";
    Enter(2);
    const std::vector<std::string> entry = Take();
    ASSERT_FALSE(entry.empty());
    EXPECT_EQ(entry.back(), "SMB 2D R 40 " + Hex2(configuration1));
    for (int tab : {0, 2, 3, 2, 1, 2}) Enter(tab);
    const int expected = configuration1 == 0x03 ? 0 : 1;
    EXPECT_EQ(StartNotices(), expected);
    EXPECT_EQ(d_.notice_shown, expected);
    ASSERT_EQ(boxes_.shown.size(), static_cast<std::size_t>(expected));
    EXPECT_THAT(Take(), Not(Contains(HasSubstr(" W "))));
    EXPECT_EQ(Chip().Peek(0x40), configuration1);
    if (expected == 0) continue;
    const auto& box = boxes_.shown.front();
    EXPECT_EQ(box.title, QStringLiteral("KELVRAN Evaluation Software Notice"));
    EXPECT_EQ(box.text, kNoticeText);
    EXPECT_EQ(box.icon, boxes::MsgIcon::None);
    EXPECT_EQ(box.buttons, boxes::MsgButtons::YesNo);
  }
}

// The tab control and the Main tab restore the default pointer; a control on another tab keeps
// its own pointer rule, even one that tracks the mouse and lets the move pass up to its page.
TEST_F(MainFormTest, MouseOverTheTabControl_RestoresTheDefaultPointer) {
  Load(0x03);
  QTabBar* bar = Tabs().tabBar();
  QWidget* note = Find("lblNote");
  const struct {
    const char* where;
    QWidget* w;
    QPoint at;
  } places[] = {
      {"a tab", bar, bar->tabRect(1).center()},
      {"the tab row beside the tabs", &Tabs(), QPoint(Tabs().width() - 3, bar->height() / 2)},
      {"the Main tab's note", note, note->rect().center()},
      {"the Main tab's background", Tabs().widget(0), QPoint(3, 3)},
  };
  for (const auto& place : places) {
    SCOPED_TRACE(place.where);
    window_->setCursor(Qt::PointingHandCursor);
    MoveMouseOver(place.w, place.at);
    EXPECT_EQ(window_->cursor().shape(), Qt::ArrowCursor);
  }

  Enter(1);
  QApplication::processEvents();  // the page's first layout
  QWidget* page = Tabs().widget(1);
  auto* control = new QWidget(page);  // QWidget ignores moves, so they go on to the page
  control->setMouseTracking(true);
  control->setGeometry(0, 0, 40, 40);
  control->show();
  control->raise();
  window_->setCursor(Qt::PointingHandCursor);
  MoveMouseOver(control, QPoint(20, 20));
  EXPECT_EQ(window_->cursor().shape(), Qt::PointingHandCursor);
  // The corner of what the page shows, clear of a scroll bar where the page scrolls.
  const QWidget* shown = static_cast<QScrollArea*>(page)->viewport();
  MoveMouseOver(page, QPoint(shown->width() - 2, shown->height() - 2));
  EXPECT_EQ(window_->cursor().shape(), Qt::ArrowCursor) << "the page's bare background";
}

// About opens one non-modal box at a time, which Return closes, and builds it afresh after it
// closes; F1 anywhere opens the help window; the main window's unload closes both. Neither reads
// the chip. The Help menu's entries are read by their names alone, the key beside them apart.
TEST_F(MainFormTest, AboutAndHelp_OneBoxAtATimeAndTheUnloadClosesTheHelp) {
  Load(0x03);
  QAccessibleInterface* help_menu = QAccessible::queryAccessibleInterface(
      window_->findChild<QMenu*>(QStringLiteral("menu_help")));
  ASSERT_NE(help_menu, nullptr);
  ASSERT_GE(help_menu->childCount(), 2);
  EXPECT_EQ(help_menu->child(0)->text(QAccessible::Name), QStringLiteral("Contents"));
  EXPECT_EQ(help_menu->child(0)->text(QAccessible::Accelerator), QStringLiteral("F1"));
  EXPECT_EQ(help_menu->child(1)->text(QAccessible::Name), QStringLiteral("About"));

  Click("Command3");
  auto* first = window_->findChild<about::frmAbout*>(QStringLiteral("frmAbout"));
  ASSERT_NE(first, nullptr);
  const QPointer<about::frmAbout> watch(first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(first->isModal());
  Click("Command3");
  EXPECT_EQ(window_->findChildren<about::frmAbout*>(), QList<about::frmAbout*>{first});
  QTest::keyClick(first, Qt::Key_Return);  // its default button, OK
  EXPECT_FALSE(first->isVisible());
  Click("Command3");  // before the closed box is deleted
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(watch.isNull());
  const auto boxes = window_->findChildren<about::frmAbout*>();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes.front()->isVisible());
  const QPointer<about::frmAbout> second(boxes.front());

  QTest::keyClick(Find("Command3"), Qt::Key_F1);
  auto* help = window_->findChild<about::HelpWindow*>(QStringLiteral("HelpWindow"));
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  window_->close();  // the unload
  EXPECT_FALSE(help->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(second.isNull());
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_THAT(Take(), ::testing::IsEmpty());
}

}  // namespace
