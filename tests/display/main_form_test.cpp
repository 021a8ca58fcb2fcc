#include "display/main_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <memory>
#include <set>
#include <string>

#include "about/about_box.h"
#include "about/help.h"
#include "about/help_window.h"
#include "buslink/bus_trace.h"
#include "buslink/sim/simulated_hardware.h"
#include "support/qstring_printer.h"
#include "support/scripted_message_boxes.h"

namespace {

using ::testing::Contains;
using ::testing::Not;

const char* const kTimerNames[] = {"visual_timer", "Timer3", "vid_channel_mode"};

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

// The main window on a simulated SMBus chip at 0x2D. START stays clear, so the chip keeps the
// pinned Configuration 1 exactly (until EasySetup starts it).
class MainFormTest : public ::testing::Test {
 protected:
  void Load(int configuration1) {
    char registers[64];
    std::snprintf(registers, sizeof registers, R"({"0x40": "0x%02X"})", configuration1);
    const std::string scenario =
        std::string(R"({"smbus": {"present": true, "chips": [{"address": "0x2D"}]},
                        "chip": {"registers": )") +
        registers + "}}";
    trace_.KeepLines(true);
    hardware_ = std::make_unique<buslink::sim::SimulatedHardware>(
        buslink::sim::Scenario::FromJson(scenario, "test"), &trace_);
    d_.backend = hardware_.get();
    d_.comms_medium = 0;
    d_.device_address = 0x2D;
    form_ = std::make_unique<display::MainForm>(d_, boxes_);
  }

  QTabWidget& Tabs() { return *form_->findChild<QTabWidget*>(QStringLiteral("Main_Form_Tab")); }
  QTimer& Timer(const char* name) {
    auto* timer = form_->findChild<QTimer*>(QString::fromLatin1(name));
    EXPECT_NE(timer, nullptr) << name;
    return *timer;
  }
  std::set<std::string> ActiveTimers() {
    std::set<std::string> active;
    for (const char* name : kTimerNames) {
      if (Timer(name).isActive()) active.insert(name);
    }
    return active;
  }
  QString Text(const char* name) {
    auto* label = form_->findChild<QLabel*>(QString::fromLatin1(name));
    return label != nullptr ? label->text()
                            : QStringLiteral("<missing %1>").arg(QLatin1String(name));
  }
  int Configuration1() { return hardware_->SMBusChip(0x2D)->Peek(0x40); }
  int StartNotices() const {
    int n = 0;
    for (const auto& box : boxes_.shown) n += box.purpose == QStringLiteral("start_notice");
    return n;
  }
  // Brings tab to the front as a click on its tab does (the entry steps run only on a change).
  void Enter(int tab) {
    ASSERT_NE(Tabs().currentIndex(), tab);
    Tabs().tabBar()->setCurrentIndex(tab);
  }

  buslink::BusTrace trace_;
  std::unique_ptr<buslink::sim::SimulatedHardware> hardware_;
  devaccess::Declarations d_;
  ScriptedMessageBoxes boxes_;
  std::unique_ptr<display::MainForm> form_;
};

TEST_F(MainFormTest, Load_SetsCaptionTabsAndMainTabTextsWithoutTouchingTheChip) {
  const QString saved = QCoreApplication::applicationVersion();
  QCoreApplication::setApplicationVersion(QStringLiteral("2.10.3"));
  Load(0x01);
  QCoreApplication::setApplicationVersion(saved);

  EXPECT_EQ(form_->objectName(), QStringLiteral("MainForm"));
  EXPECT_EQ(form_->windowTitle(), QStringLiteral("KELVRAN Evaluation Software"));
  ASSERT_EQ(Tabs().count(), 4);
  EXPECT_EQ(Tabs().tabText(0), QStringLiteral("Main"));
  EXPECT_EQ(Tabs().tabText(1), QStringLiteral("Read/Write"));
  EXPECT_EQ(Tabs().tabText(2), QStringLiteral("Visual Display"));
  EXPECT_EQ(Tabs().tabText(3), QStringLiteral("Channel Mode/VID "));
  EXPECT_EQ(Tabs().currentIndex(), 0);

  EXPECT_EQ(Text("lblMainTitle"), QStringLiteral("KELVRAN Evaluation Software"));
  EXPECT_EQ(Text("lblVersionCaption"), QStringLiteral("Version:"));
  EXPECT_EQ(Text("lblVersion"), QStringLiteral("Version 2.10.3"));
  EXPECT_EQ(Text("lblHelpHint"), QStringLiteral("Press F1 for Help."));
  EXPECT_EQ(Text("lblNoteHeading"), QStringLiteral("Note:"));
  EXPECT_EQ(Text("lblNote"),
            QStringLiteral("To begin monitoring the KELVRAN applications board voltages, "
                           "temperatures and fan speeds, the \"Start\" bit in the first "
                           "configuration register must be set to 1. Alternatively, pressing the "
                           "\"easy setup\" button on the visual display tab will set this bit "
                           "high. Press F1 for more information."));
  auto* about = form_->findChild<QPushButton*>(QStringLiteral("Command3"));
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->text(), QStringLiteral("About"));

  EXPECT_EQ(d_.fan1_divisor, 1);
  EXPECT_EQ(d_.fan2_divisor, 1);
  EXPECT_NE(d_.help_owner_hwnd, 0);
  EXPECT_TRUE(form_->help().help_file().endsWith(QStringLiteral("/KELVRAN.html")));
  EXPECT_TRUE(ActiveTimers().empty());
  EXPECT_TRUE(trace_.Lines().empty()) << "the load reads nothing: " << trace_.Lines().front();
}

// Whatever ran before, entering a tab leaves at most its own timer running: none on "Main" and
// "Read/Write" (continuous reading waits for its switch), visual_timer on "Visual Display",
// vid_channel_mode (50 ms) on "Channel Mode/VID ".
TEST_F(MainFormTest, EnteringATab_LeavesOnlyItsOwnTimerRunning) {
  Load(0x03);
  const struct {
    int tab;
    std::set<std::string> active;
  } cases[] = {
      {0, {}},
      {1, {}},
      {2, {"visual_timer"}},
      {3, {"vid_channel_mode"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tab);
    if (Tabs().currentIndex() == c.tab) Enter(c.tab == 0 ? 1 : 0);
    for (const char* name : kTimerNames) Timer(name).start(1);  // the worst case: all three on
    Enter(c.tab);
    EXPECT_EQ(ActiveTimers(), c.active);
  }
  EXPECT_EQ(Timer("vid_channel_mode").interval(), 50);
}

TEST_F(MainFormTest, AWalkThroughTheTabsNeverRunsTwoTimers) {
  Load(0x03);
  const struct {
    int tab;
    const char* active;  // nullptr: none
  } walk[] = {{2, "visual_timer"},
              {3, "vid_channel_mode"},
              {1, nullptr},
              {2, "visual_timer"},
              {0, nullptr},
              {3, "vid_channel_mode"},
              {2, "visual_timer"},
              {1, nullptr},
              {3, "vid_channel_mode"},
              {0, nullptr}};
  for (const auto& step : walk) {
    SCOPED_TRACE(step.tab);
    Enter(step.tab);
    const std::set<std::string> expected =
        step.active != nullptr ? std::set<std::string>{step.active} : std::set<std::string>{};
    EXPECT_EQ(ActiveTimers(), expected);
  }
}

TEST_F(MainFormTest, StartNotice_ShowsTheExactTextWithYesNoAndNoIcon) {
  Load(0x01);
  boxes_.answers.push_back(widgets::MsgAnswer::No);
  Enter(2);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  const auto& box = boxes_.shown.front();
  EXPECT_EQ(box.purpose, QStringLiteral("start_notice"));
  EXPECT_EQ(box.title, QStringLiteral("KELVRAN Evaluation Software Notice"));
  EXPECT_EQ(box.text, kNoticeText);
  EXPECT_EQ(box.text.count(QLatin1Char('\r')), 9);
  EXPECT_FALSE(box.text.contains(QLatin1Char('\n')));
  EXPECT_EQ(box.icon, widgets::MsgIcon::None);
  EXPECT_EQ(box.buttons, widgets::MsgButtons::YesNo);
  EXPECT_EQ(d_.notice_shown, 1);
  // The notice follows the tab's entry steps and their last read is Configuration 1.
  ASSERT_FALSE(trace_.Lines().empty());
  EXPECT_EQ(trace_.Lines().back(), "SMB 2D R 40 01");
}

// Configuration 1 decides on every visit until the notice has been shown once; only 3 (START and
// INT Enable, what EasySetup writes) counts as started.
TEST_F(MainFormTest, StartNotice_ShownOnceUnlessConfigurationReadsThree) {
  const struct {
    int configuration1;
    int notices;
  } cases[] = {{0x03, 0}, {0x01, 1}, {0x00, 1}, {0x02, 1}, {0x07, 1}, {0x0B, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.configuration1);
    form_.reset();
    d_ = devaccess::Declarations();  // a fresh run
    boxes_.shown.clear();
    boxes_.answers.assign(4, widgets::MsgAnswer::No);
    Load(c.configuration1);
    for (int tab : {2, 0, 2, 3, 2, 1, 2}) Enter(tab);
    EXPECT_EQ(StartNotices(), c.notices);
    EXPECT_EQ(d_.notice_shown, c.notices);
    EXPECT_EQ(boxes_.shown.size(), static_cast<std::size_t>(c.notices));
  }
}

TEST_F(MainFormTest, StartNotice_NoLeavesTheChipAlone) {
  Load(0x01);
  boxes_.answers.push_back(widgets::MsgAnswer::No);
  Enter(2);
  ASSERT_EQ(StartNotices(), 1);
  EXPECT_EQ(Configuration1(), 0x01);
  for (const std::string& line : trace_.Lines())
    EXPECT_EQ(line.find(" W "), std::string::npos) << line;
  Enter(0);
  Enter(2);
  EXPECT_EQ(StartNotices(), 1);
}

TEST_F(MainFormTest, StartNotice_YesRunsEasySetupAtOnce) {
  Load(0x01);
  boxes_.answers.push_back(widgets::MsgAnswer::Yes);
  Enter(2);
  ASSERT_EQ(StartNotices(), 1);
  EXPECT_THAT(trace_.Lines(), Contains("SMB 2D W 40 03"));
  EXPECT_EQ(Configuration1(), 0x03);
  EXPECT_EQ(ActiveTimers(), std::set<std::string>{"visual_timer"});
  Enter(0);
  Enter(2);
  EXPECT_EQ(StartNotices(), 1);
}

TEST_F(MainFormTest, StartNotice_NeverComesFromTheOtherTabs) {
  Load(0x01);
  for (int tab : {1, 3, 0, 3, 1}) Enter(tab);
  EXPECT_EQ(StartNotices(), 0);
  EXPECT_EQ(d_.notice_shown, 0);
  EXPECT_THAT(trace_.Lines(), Not(Contains("SMB 2D R 40 01")));
}

// Sends a plain mouse move to whatever lies under the point, as the window system does.
void MoveMouseOver(QWidget& window, QPoint at) {
  QWidget* target = window.childAt(at);
  if (target == nullptr) target = &window;
  const QPointF local = target->mapFrom(&window, QPointF(at));
  QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(target, &move);
}

TEST_F(MainFormTest, MouseOverTheTabControl_RestoresTheDefaultPointer) {
  Load(0x03);
  form_->resize(900, 700);
  form_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  QTabBar* bar = Tabs().tabBar();
  auto* note = form_->findChild<QLabel*>(QStringLiteral("lblNote"));
  auto* main_page = Tabs().widget(0);
  const struct {
    const char* where;
    QPoint at;  // in the main window
  } places[] = {
      {"a tab", bar->mapTo(form_.get(), bar->tabRect(1).center())},
      {"the tab row beside the tabs",
       Tabs().mapTo(form_.get(), QPoint(Tabs().width() - 3, bar->height() / 2))},
      {"the Main tab's note", note->mapTo(form_.get(), note->rect().center())},
      {"the Main tab's background", main_page->mapTo(form_.get(), QPoint(3, 3))},
  };
  for (const auto& place : places) {
    SCOPED_TRACE(place.where);
    form_->setCursor(Qt::PointingHandCursor);
    MoveMouseOver(*form_, place.at);
    EXPECT_EQ(form_->cursor().shape(), Qt::ArrowCursor);
  }
}

// A control on another tab keeps its own pointer rule, even one that tracks the mouse and lets
// the move pass up to its page.
TEST_F(MainFormTest, MouseOverAControlOfAnotherTab_LeavesThePointerToThatControl) {
  Load(0x03);
  form_->resize(900, 700);
  form_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  Enter(1);
  QWidget* page = Tabs().widget(1);
  auto* control = new QWidget(page);  // QWidget ignores moves, so they go on to the page
  control->setMouseTracking(true);
  control->setGeometry(0, 0, 40, 40);
  control->show();
  control->raise();
  form_->setCursor(Qt::PointingHandCursor);
  MoveMouseOver(*form_, control->mapTo(form_.get(), QPoint(20, 20)));
  EXPECT_EQ(form_->cursor().shape(), Qt::PointingHandCursor);
  MoveMouseOver(*form_, page->mapTo(form_.get(), QPoint(page->width() - 2, page->height() - 2)));
  EXPECT_EQ(form_->cursor().shape(), Qt::ArrowCursor) << "the page's bare background";
}

TEST_F(MainFormTest, About_OpensOneNonModalBoxAndBuildsItAfreshAfterItCloses) {
  Load(0x03);
  form_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  auto* about = form_->findChild<QPushButton*>(QStringLiteral("Command3"));
  QTest::mouseClick(about, Qt::LeftButton);
  auto* first = form_->findChild<about::frmAbout*>(QStringLiteral("frmAbout"));
  ASSERT_NE(first, nullptr);
  const QPointer<about::frmAbout> watch(first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(first->isModal());

  QTest::mouseClick(about, Qt::LeftButton);
  EXPECT_EQ(form_->findChildren<about::frmAbout*>().size(), 1);
  EXPECT_EQ(form_->findChild<about::frmAbout*>(), first);

  first->close();
  QTest::mouseClick(about, Qt::LeftButton);  // before the closed box is deleted
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(watch.isNull());
  const auto boxes = form_->findChildren<about::frmAbout*>();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes.front()->isVisible());
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_TRUE(trace_.Lines().empty()) << "the About box reads nothing from the chip";
}

TEST_F(MainFormTest, F1AnywhereOpensTheHelpWindowAndClosingTheMainWindowClosesIt) {
  Load(0x03);
  form_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
  QTest::keyClick(form_->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::Key_F1);
  auto* help = form_->findChild<about::HelpWindow*>(QStringLiteral("HelpWindow"));
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());

  form_->close();  // the unload
  EXPECT_FALSE(help->isVisible());
}

TEST_F(MainFormTest, DestroyingTheUnseenMainWindowClosesTheHelpWindow) {
  Load(0x03);  // loaded but never shown, as after a cancelled search
  QTest::keyClick(&Tabs(), Qt::Key_F1);
  about::HelpWindow* help = form_->help().window();
  ASSERT_NE(help, nullptr);
  const QPointer<about::HelpWindow> watch(help);
  EXPECT_TRUE(help->isVisible());
  form_.reset();
  EXPECT_TRUE(watch.isNull());
}

}  // namespace
