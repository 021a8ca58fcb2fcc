#include "wizard/init_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "access/link_new_com_port.h"
#include "buslink/bus_trace.h"
#include "buslink/sim/simulated_hardware.h"
#include "support/qstring_printer.h"
#include "support/scripted_message_boxes.h"

namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::StartsWith;

const QRgb kDarkGreen = qRgb(0, 128, 0);
const QRgb kDarkRed = qRgb(192, 0, 0);

const QString kPrinterGap(50, QLatin1Char(' '));
const QString kSMBusGap(98, QLatin1Char(' '));

// What the window looked like each time the search moved its progress bar.
struct ProgressSnapshot {
  int value;
  int maximum;
  bool searching_panel_shown;
  bool any_button_enabled;
  bool hourglass;
};

// Calls on_paint whenever the watched widget paints.
class PaintWatch : public QObject {
 public:
  std::function<void()> on_paint;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && on_paint) on_paint();
    return false;
  }
};

// The wizard on simulated hardware, every transfer kept in the trace.
class InitFormTest : public ::testing::Test {
 protected:
  void Start(const std::string& scenario_json) {
    trace_.KeepLines(true);
    hardware_ = std::make_unique<buslink::sim::SimulatedHardware>(
        buslink::sim::Scenario::FromJson(scenario_json, "test"), &trace_);
    StartOn(hardware_.get());
  }
  void StartOn(buslink::Backend* backend) {
    d_ = std::make_unique<devaccess::Declarations>(backend);
    form_ = std::make_unique<wizard::InitForm>(*d_, boxes_);
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    auto* bar = Find<QProgressBar>("SearchProgress");
    QObject::connect(bar, &QProgressBar::valueChanged, form_.get(), [this, bar](int value) {
      bool any_enabled = false;
      for (const char* b : {"CancelCMD", "BackCMD", "NextCMD", "FinishCMD"}) {
        any_enabled = any_enabled || Find<QPushButton>(b)->isEnabled();
      }
      const QCursor* cursor = QApplication::overrideCursor();
      progress_.push_back({value, bar->maximum(), Find<QWidget>("SearchingPanel")->isVisible(),
                           any_enabled, cursor != nullptr && cursor->shape() == Qt::WaitCursor});
    });
    // The search runs inside the click handler, so the panel shows a step only if it is
    // repainted there and then.
    Find<QWidget>("SearchingPanel")->installEventFilter(&paint_watch_);
    paint_watch_.on_paint = [this, bar] { painted_values_.push_back(bar->value()); };
  }

  // Every value the bar took while searching was painted before the next step.
  void ExpectEveryStepPainted() {
    for (const ProgressSnapshot& s : progress_) {
      if (s.value != 0) {
        EXPECT_THAT(painted_values_, ::testing::Contains(s.value)) << "step to " << s.value;
      }
    }
  }

  template <class T = QWidget>
  T* Find(const char* name) {
    T* w = form_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString Text(const char* name) { return Find<QLabel>(name)->text(); }
  bool Enabled(const char* name) { return Find<QWidget>(name)->isEnabled(); }
  static bool Visible(const QWidget* w) { return w != nullptr && w->isVisible(); }
  static QRgb Colour(QLabel* label) { return label->palette().color(QPalette::WindowText).rgb(); }

  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
  // Clicks the box's indicator, where a user clicks.
  void ClickCheck(const char* name) {
    auto* box = Find<QCheckBox>(name);
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
  }

  QString ShownPanel() {
    QString shown;
    for (const char* p :
         {"WelcomePanel", "SeclectComsMediumPanel", "SearchingPanel", "SearchResultsPanel"}) {
      if (Find<QWidget>(p)->isVisible()) shown += QString::fromLatin1(p);
    }
    return shown;  // exactly one name when the panels take turns properly
  }

  // Clicks line `row` of the results list, scrolling it into view first.
  void SelectLine(int row) {
    auto* list = Find<QListWidget>("SearchResultsLIST");
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
    ASSERT_EQ(list->currentRow(), row);
  }

  QStringList Lines() {
    QStringList lines;
    auto* list = Find<QListWidget>("SearchResultsLIST");
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
  }

  // Next from the welcome panel, then Next on the medium panel: the search runs.
  void Search() {
    Click("NextCMD");
    Click("NextCMD");
  }

  std::vector<int> ProgressValues() const {
    std::vector<int> values;
    for (const ProgressSnapshot& s : progress_) values.push_back(s.value);
    return values;
  }

  buslink::BusTrace trace_;
  std::unique_ptr<buslink::sim::SimulatedHardware> hardware_;
  std::unique_ptr<devaccess::Declarations> d_;
  ScriptedMessageBoxes boxes_;
  std::unique_ptr<wizard::InitForm> form_;
  PaintWatch paint_watch_;
  std::vector<ProgressSnapshot> progress_;
  std::vector<int> painted_values_;
};

// One printer port at 378h with a board at 5Ch answering under ModeFlag false; an SMBus adapter
// with a chip at 2Dh.
const char* const kBothMedia = R"({
  "printer_ports": [ { "base": "0x378", "boards": [ { "address": "0x5C" } ] } ],
  "smbus": { "present": true, "base_address": "0x5000", "chips": [ { "address": "0x2D" } ] } })";

TEST_F(InitFormTest, StartsOnWelcomePanelWithPrinterPortTickedAndBackFinishOff) {
  Start(kBothMedia);
  EXPECT_EQ(form_->windowTitle(), "KELVRAN Search Wizard");
  EXPECT_EQ(ShownPanel(), "WelcomePanel");
  EXPECT_EQ(form_->wizard_state(), 1);
  EXPECT_FALSE(Enabled("BackCMD"));
  EXPECT_FALSE(Enabled("FinishCMD"));
  EXPECT_TRUE(Enabled("NextCMD"));
  EXPECT_TRUE(Enabled("CancelCMD"));
  EXPECT_EQ(Find<QPushButton>("CancelCMD")->text(), "Cancel");
  EXPECT_EQ(Find<QPushButton>("BackCMD")->text(), "< Back");
  EXPECT_EQ(Find<QPushButton>("NextCMD")->text(), "Next >");
  EXPECT_EQ(Find<QPushButton>("FinishCMD")->text(), "Finish");
  EXPECT_EQ(Text("WelcomeLBL"),
            "This KELVRAN Search Wizard will find any KELVRANs that can be controlled by this "
            "software");
  EXPECT_EQ(Text("WelcomeInstructionsLBL"), "Click 'Next' to start.");
  EXPECT_EQ(Text("SearchingLBL"), "Searching");
  EXPECT_EQ(Text("SearchingDetailsLBL"), "Please wait while searching for available KELVRANs.");
  EXPECT_EQ(Text("SearchResultsDescLBL"), "Search Results");
  EXPECT_TRUE(boxes_.shown.empty());
  EXPECT_THAT(trace_.Lines(), IsEmpty()) << "loading the wizard talks to no chip";

  Click("NextCMD");
  EXPECT_EQ(Find<QCheckBox>("PPCheck")->text(), "Parallel Printer Port");
  EXPECT_TRUE(Find<QCheckBox>("PPCheck")->isChecked());
  EXPECT_EQ(Find<QCheckBox>("SMBusCheck")->text(), "On-Board SMBus");
  EXPECT_FALSE(Find<QCheckBox>("SMBusCheck")->isChecked());
  EXPECT_TRUE(Enabled("SMBusCheck"));
  EXPECT_FALSE(Find<QCheckBox>("USBCheck")->isVisible());
  EXPECT_FALSE(Enabled("USBCheck"));
  EXPECT_FALSE(Find<QLabel>("USBSearchDescLBL")->isVisible());
  EXPECT_EQ(Text("PPSearchDescLBL"),
            "Remember to connect the KELVRAN evaluation board to the printer port");
  EXPECT_EQ(Text("SMBusSearchDescLBL"),
            "The Southbridge or ICH of Intel chipsets. For unsupported Intel chipsets, enter "
            "SMBBA here (Hex).");
  EXPECT_EQ(Text("SearchMediumInstLBL"), "Click 'Next' to search for the KELVRAN.");
  for (const char* description : {"PPSearchDescLBL", "SMBusSearchDescLBL", "USBSearchDescLBL"}) {
    EXPECT_EQ(Colour(Find<QLabel>(description)), kDarkGreen) << description;
  }
  // The controller's base address in full, though a user may type at most three characters.
  auto* base = Find<QLineEdit>("SMBusBaseAddressTXT");
  EXPECT_EQ(base->text(), "5000");
  EXPECT_TRUE(base->isEnabled());
  base->selectAll();
  QTest::keyClicks(base, "ABCD");
  EXPECT_EQ(base->text(), "ABC");
}

TEST_F(InitFormTest, NextBackNextTogglesBack) {
  Start(kBothMedia);
  Click("NextCMD");
  EXPECT_EQ(ShownPanel(), "SeclectComsMediumPanel");
  EXPECT_TRUE(Enabled("BackCMD"));
  Click("BackCMD");
  EXPECT_EQ(ShownPanel(), "WelcomePanel");
  EXPECT_EQ(form_->wizard_state(), 1);
  EXPECT_FALSE(Enabled("BackCMD"));
  Click("NextCMD");
  EXPECT_EQ(form_->wizard_state(), 2);
  EXPECT_TRUE(Enabled("BackCMD"));
  EXPECT_FALSE(Enabled("FinishCMD"));
  EXPECT_THAT(trace_.Lines(), IsEmpty());
}

TEST_F(InitFormTest, NothingTickedAsksForAMediumAndStays) {
  Start(kBothMedia);
  Click("NextCMD");
  ClickCheck("PPCheck");
  ASSERT_FALSE(Find<QCheckBox>("PPCheck")->isChecked());
  Click("NextCMD");
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, "Please select a search medium");
  EXPECT_EQ(boxes_.shown[0].title, "A problem was detected");
  EXPECT_EQ(boxes_.shown[0].buttons, widgets::MsgButtons::Ok);
  EXPECT_EQ(ShownPanel(), "SeclectComsMediumPanel");
  EXPECT_EQ(form_->wizard_state(), 2);
  EXPECT_TRUE(Enabled("NextCMD"));
  EXPECT_TRUE(Enabled("BackCMD"));
  EXPECT_EQ(form_->main_form(), nullptr) << "no search, so the main window is not loaded";
  EXPECT_THAT(trace_.Lines(), IsEmpty());
}

struct BuildCase {
  int build;
  bool smbus_offered;
  bool usb_sorry;
};

class OperatingSystemBuilds : public InitFormTest,
                              public ::testing::WithParamInterface<BuildCase> {};

TEST_P(OperatingSystemBuilds, DecideWhatTheMediumPanelOffers) {
  const BuildCase c = GetParam();
  Start(R"({"os_build": )" + std::to_string(c.build) +
        R"(, "smbus": {"present": true, "base_address": "0x1C0"}})");
  Click("NextCMD");
  auto* smbus = Find<QCheckBox>("SMBusCheck");
  auto* description = Find<QLabel>("SMBusSearchDescLBL");
  auto* base = Find<QLineEdit>("SMBusBaseAddressTXT");
  if (c.smbus_offered) {
    EXPECT_TRUE(smbus->isEnabled());
    EXPECT_EQ(Colour(description), kDarkGreen);
    EXPECT_EQ(base->text(), "1C0");
    EXPECT_TRUE(base->isEnabled());
  } else {
    EXPECT_FALSE(smbus->isEnabled());
    EXPECT_FALSE(smbus->isChecked());
    EXPECT_EQ(description->text(),
              "Sorry, SMBus communication is only supported on Windows 95,98 and ME.");
    EXPECT_EQ(Colour(description), kDarkRed);
    EXPECT_FALSE(base->isEnabled());
    EXPECT_EQ(base->text(), "000");
  }
  auto* usb = Find<QLabel>("USBSearchDescLBL");
  if (c.usb_sorry) {
    EXPECT_EQ(usb->text(), "Sorry, USB communication is not supported on Windows 95.");
    EXPECT_EQ(Colour(usb), kDarkRed);
  } else {
    EXPECT_EQ(usb->text(), "");
    EXPECT_EQ(Colour(usb), kDarkGreen);
  }
  EXPECT_FALSE(Enabled("USBCheck"));
  EXPECT_FALSE(usb->isVisible());
  EXPECT_TRUE(boxes_.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, OperatingSystemBuilds,
    ::testing::Values(BuildCase{950, true, true}, BuildCase{1111, true, true},
                      BuildCase{1998, true, false}, BuildCase{2222, true, false},
                      BuildCase{3000, true, false}, BuildCase{1381, false, false},
                      BuildCase{2195, false, false}, BuildCase{2600, false, false}));

// A backend whose operating system reports a build that is not a number.
class OddBuildBackend : public buslink::Backend {
 public:
  explicit OddBuildBackend(buslink::Backend& inner) : inner_(inner) {}
  std::unique_ptr<buslink::BusLink> CreateBusLink() override { return inner_.CreateBusLink(); }
  std::unique_ptr<buslink::SystemInfo> CreateSystemInfo() override {
    struct Odd : buslink::SystemInfo {
      std::string OSBuild() const override { return "4.10.1998"; }
    };
    return std::make_unique<Odd>();
  }

 private:
  buslink::Backend& inner_;
};

TEST_F(InitFormTest, BuildThatIsNotANumberFailsTheLoadButTheWindowOpens) {
  hardware_ = std::make_unique<buslink::sim::SimulatedHardware>(
      buslink::sim::Scenario::FromJson(kBothMedia, "test"), &trace_);
  OddBuildBackend odd(*hardware_);
  StartOn(&odd);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, "Error in Init Form Load");
  EXPECT_EQ(boxes_.shown[0].title, "Error");
  EXPECT_EQ(boxes_.shown[0].icon, widgets::MsgIcon::Critical);
  EXPECT_TRUE(form_->isVisible());
  // The steps after the failing one did not run.
  EXPECT_EQ(Text("SearchMediumInstLBL"), "");
  EXPECT_EQ(Text("SearchingDetailsLBL"), "");
}

TEST_F(InitFormTest, CancelBeforeASearchClosesEverything) {
  Start(kBothMedia);
  Click("NextCMD");
  Click("CancelCMD");
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(form_->main_form(), nullptr);
  EXPECT_FALSE(form_->wizard_finished());
  EXPECT_THAT(trace_.Lines(), IsEmpty());
}

TEST_F(InitFormTest, CancelAfterASearchUnloadsTheLoadedMainWindow) {
  Start(kBothMedia);
  Search();
  QPointer<QMainWindow> main_form = form_->main_form();
  ASSERT_NE(main_form, nullptr) << "the search loads the main window";
  EXPECT_FALSE(Visible(main_form)) << "loaded, not shown";
  EXPECT_TRUE(Enabled("CancelCMD"));
  Click("CancelCMD");
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(main_form, nullptr) << "Cancel unloads the main window";
}

TEST_F(InitFormTest, CloseBoxAfterASearchUnloadsTheMainWindowToo) {
  Start(kBothMedia);
  Search();
  QPointer<QMainWindow> main_form = form_->main_form();
  ASSERT_NE(main_form, nullptr);
  form_->close();
  EXPECT_EQ(main_form, nullptr);
}

TEST_F(InitFormTest, EscapeCancelsAndEnterPressesTheFocusedButton) {
  Start(kBothMedia);
  auto* next = Find<QPushButton>("NextCMD");
  next->setFocus();
  QTest::keyClick(next, Qt::Key_Return);
  EXPECT_EQ(form_->wizard_state(), 2);
  QTest::keyClick(form_.get(), Qt::Key_Escape);
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(InitFormTest, BackFromResultsClearsThemAndASecondSearchStartsFromEmpty) {
  Start(kBothMedia);
  Search();
  ASSERT_EQ(Lines().size(), 1);
  QMainWindow* first_load = form_->main_form();
  Click("BackCMD");
  EXPECT_EQ(ShownPanel(), "SeclectComsMediumPanel");
  EXPECT_EQ(form_->wizard_state(), 2);
  EXPECT_THAT(Lines(), IsEmpty());
  EXPECT_TRUE(form_->search().pp_finds().empty());
  EXPECT_TRUE(Enabled("NextCMD"));
  EXPECT_FALSE(Enabled("FinishCMD"));
  trace_.ClearLines();

  Click("NextCMD");
  EXPECT_THAT(Lines(), ElementsAre(QStringLiteral("Found an KELVRAN at:2Eh, on printer port:378h") +
                                   kPrinterGap + QStringLiteral("Printer 1")));
  EXPECT_EQ(form_->search().pp_finds().size(), 1u);
  EXPECT_EQ(form_->main_form(), first_load) << "a loaded main window is not loaded again";
  EXPECT_EQ(trace_.Lines().size(), 6u);
}

TEST_F(InitFormTest, ThreePortsWithoutBoardsStepBy8To24AndFindNothing) {
  Start(R"({"printer_ports": [ {"base": "0x378"}, {"base": "0x278"}, {"base": "0x3BC"} ]})");
  Search();
  EXPECT_THAT(ProgressValues(), ElementsAre(8, 16, 24, 0)) << "three steps, then back to 0";
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(progress_[i].maximum, 33);
    EXPECT_TRUE(progress_[i].searching_panel_shown);
    EXPECT_FALSE(progress_[i].any_button_enabled) << "all four buttons are off while searching";
    EXPECT_TRUE(progress_[i].hourglass);
  }
  ExpectEveryStepPainted();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the pointer is restored";
  EXPECT_EQ(ShownPanel(), "SearchResultsPanel");
  EXPECT_EQ(form_->wizard_state(), 4);
  EXPECT_THAT(Lines(), IsEmpty());
  EXPECT_EQ(Text("SearchResultsLBL"),
            "Sorry, no KELVRANs were found. Please check all connections and try again");
  EXPECT_EQ(Text("SearchInsLBL"), "Click Back to continue...");
  EXPECT_FALSE(Enabled("FinishCMD"));
  EXPECT_FALSE(Enabled("NextCMD"));
  EXPECT_TRUE(Enabled("BackCMD"));
  EXPECT_TRUE(Enabled("CancelCMD"));
  // Six probes of the identification register per port, three candidates under each mode.
  ASSERT_EQ(trace_.Lines().size(), 18u);
  EXPECT_THAT(trace_.Lines(), Each(MatchesRegex("PP (5C|58|5A) R 3E ERR NACK")));
  EXPECT_THAT(std::vector<std::string>(trace_.Lines().begin(), trace_.Lines().begin() + 6),
              ElementsAre("PP 5C R 3E ERR NACK", "PP 58 R 3E ERR NACK", "PP 5A R 3E ERR NACK",
                          "PP 5C R 3E ERR NACK", "PP 58 R 3E ERR NACK", "PP 5A R 3E ERR NACK"));
}

TEST_F(InitFormTest, NoPrinterPortListsNothingForThatMedium) {
  Start(R"({})");
  Search();
  EXPECT_THAT(ProgressValues(), ElementsAre()) << "no port, no step: the bar never moved";
  EXPECT_THAT(Lines(), IsEmpty());
  EXPECT_FALSE(Enabled("FinishCMD"));
  EXPECT_THAT(trace_.Lines(), IsEmpty());
}

TEST_F(InitFormTest, BothMediaShareOneBarAndListPrinterLinesFirst) {
  Start(kBothMedia);
  Click("NextCMD");
  ClickCheck("SMBusCheck");
  ASSERT_TRUE(Find<QCheckBox>("SMBusCheck")->isChecked());
  Click("NextCMD");
  EXPECT_THAT(ProgressValues(), ElementsAre(8, 19, 30, 41, 52, 0));
  EXPECT_EQ(progress_.front().maximum, 66);
  ExpectEveryStepPainted();
  EXPECT_THAT(Lines(), ElementsAre(QStringLiteral("Found an KELVRAN at:2Eh, on printer port:378h") +
                                       kPrinterGap + QStringLiteral("Printer 1"),
                                   QStringLiteral("An KELVRAN was found at:2Dh, on the SMBus") +
                                       kSMBusGap + QStringLiteral("SMBus2D")));
  EXPECT_EQ(Find<QListWidget>("SearchResultsLIST")->currentRow(), 0);
  EXPECT_EQ(Text("SearchResultsLBL"), "Please select one of the KELVRANs found above.");
  EXPECT_EQ(Text("SearchInsLBL"), "Click 'Finish' to Continue");
  EXPECT_TRUE(Enabled("FinishCMD"));
  EXPECT_FALSE(Enabled("NextCMD"));
  EXPECT_THAT(trace_.Lines(),
              ElementsAre("PP 5C R 3E 41", "PP 58 R 3E ERR NACK", "PP 5A R 3E ERR NACK",
                          "PP 5C R 3E ERR NACK", "PP 58 R 3E ERR NACK", "PP 5A R 3E ERR NACK",
                          "SMB 2E R 3E ERR NACK", "SMB 2C R 3E ERR NACK", "SMB 2D R 3E 41"));
}

TEST_F(InitFormTest, ChipThatIsNotTheKelvranIsNotListed) {
  Start(R"({"smbus": {"present": true, "chips": [ {"address": "0x2D",
            "registers": {"0x3E": "0x23"}} ]}})");
  Click("NextCMD");
  ClickCheck("PPCheck");
  ClickCheck("SMBusCheck");
  Click("NextCMD");
  EXPECT_THAT(Lines(), IsEmpty());
  EXPECT_THAT(trace_.Lines(),
              ElementsAre("SMB 2E R 3E ERR NACK", "SMB 2C R 3E ERR NACK", "SMB 2D R 3E 23"));
}

// The second of two ports carries a board that answers under both ModeFlag settings.
const char* const kBoardUnderBothModes = R"({
  "printer_ports": [ {"base": "0x378"},
                     {"base": "0x278", "boards": [ {"address": "0x5C", "answers_under": "both"} ]} ] })";

class BoardUnderBothModes : public InitFormTest, public ::testing::WithParamInterface<int> {};

TEST_P(BoardUnderBothModes, GivesTwoLinesAndEachHandsOverItsOwnMode) {
  const int line = GetParam();
  Start(kBoardUnderBothModes);
  Search();
  const QString found =
      QStringLiteral("Found an KELVRAN at:2Eh, on printer port:278h") + kPrinterGap;
  ASSERT_THAT(Lines(), ElementsAre(found + QStringLiteral("Printer 1"),
                                   found + QStringLiteral("Printer 2")));
  EXPECT_EQ(trace_.Lines().size(), 12u);
  QPointer<QMainWindow> main_form = form_->main_form();

  SelectLine(line);
  Click("FinishCMD");
  EXPECT_TRUE(form_->wizard_finished());
  EXPECT_FALSE(form_->isVisible());
  ASSERT_NE(main_form, nullptr) << "closing after Finish leaves the main window";
  EXPECT_TRUE(Visible(main_form));
  EXPECT_EQ(d_->comms_medium, 1);
  EXPECT_EQ(d_->device_address, 0x5C);
  EXPECT_EQ(d_->pp_base_address, 0x278);
  buslink::BusLink& link = *d_->bus_link;
  EXPECT_EQ(link.Medium(), 0);
  EXPECT_EQ(link.GetParallelPorts().BaseAddress(), 0x278) << "port index 1 selected";
  EXPECT_EQ(link.GetParallelPorts().Device().ModeFlag(), line == 1);

  // The hand-over works: a transfer reaches the chip on that port.
  trace_.ClearLines();
  EXPECT_EQ(devaccess::ReadAt(*d_, 0x3E), 0x41);
  EXPECT_THAT(trace_.Lines(), ElementsAre("PP 5C R 3E 41"));
}

INSTANTIATE_TEST_SUITE_P(EitherLine, BoardUnderBothModes, ::testing::Values(0, 1));

TEST_F(InitFormTest, SMBusChipAt2DHandsOverMedium0AndAddress2D) {
  Start(kBothMedia);
  Click("NextCMD");
  ClickCheck("PPCheck");
  ClickCheck("SMBusCheck");
  Click("NextCMD");
  // The fourth step of 11 would pass the maximum: the bar stays at 33.
  EXPECT_THAT(ProgressValues(), ElementsAre(11, 22, 33, 0));
  EXPECT_EQ(progress_.front().maximum, 33);
  ExpectEveryStepPainted();
  ASSERT_THAT(Lines(), ElementsAre(QStringLiteral("An KELVRAN was found at:2Dh, on the SMBus") +
                                   kSMBusGap + QStringLiteral("SMBus2D")));
  EXPECT_THAT(trace_.Lines(),
              ElementsAre("SMB 2E R 3E ERR NACK", "SMB 2C R 3E ERR NACK", "SMB 2D R 3E 41"));
  d_->comms_medium = 7;  // so the test sees Finish write it
  Click("FinishCMD");
  EXPECT_EQ(d_->comms_medium, 0);
  EXPECT_EQ(d_->device_address, 0x2D);
  EXPECT_EQ(d_->bus_link->Medium(), 1);
  ASSERT_NE(form_->main_form(), nullptr);
  EXPECT_TRUE(Visible(form_->main_form()));

  trace_.ClearLines();
  EXPECT_EQ(devaccess::ReadAt(*d_, 0x3E), 0x41);
  EXPECT_THAT(trace_.Lines(), ElementsAre("SMB 2D R 3E 41"));
}

TEST_F(InitFormTest, LinesFromTheTenthOnHandOverTheirOwnRecord) {
  // Two ports, three boards each, all answering under both settings: twelve lines.
  const std::string boards = R"([ {"address": "0x5C", "answers_under": "both"},
                                  {"address": "0x58", "answers_under": "both"},
                                  {"address": "0x5A", "answers_under": "both"} ])";
  Start(R"({"printer_ports": [ {"base": "0x378", "boards": )" + boards +
        R"(}, {"base": "0x278", "boards": )" + boards + "} ]}");
  Search();
  const QStringList lines = Lines();
  ASSERT_EQ(lines.size(), 12);
  for (int i = 0; i < 12; ++i) {
    EXPECT_TRUE(lines[i].endsWith(kPrinterGap + QStringLiteral("Printer %1").arg(i + 1))) << i;
  }
  EXPECT_THAT(lines[10].toStdString(), StartsWith("Found an KELVRAN at:2Ch, on printer port:278h"));
  EXPECT_EQ(trace_.Lines().size(), 12u) << "six reads per port";

  // Line 11 is port 1, ModeFlag true, 58h; its last digit alone would point at line 1.
  SelectLine(10);
  Click("FinishCMD");
  EXPECT_EQ(d_->comms_medium, 1);
  EXPECT_EQ(d_->device_address, 0x58);
  EXPECT_EQ(d_->pp_base_address, 0x278);
  EXPECT_TRUE(d_->bus_link->GetParallelPorts().Device().ModeFlag());
}

TEST_F(InitFormTest, ProbeTheBusFailsCountsAsNoChipAndTheSearchGoesOn) {
  Start(R"({
    "printer_ports": [ {"base": "0x378", "boards": [ {"address": "0x5C", "answers_under": "both"} ]} ],
    "smbus": { "present": true, "chips": [ { "address": "0x2D" } ] },
    "faults": [ {"medium": "PP", "op": "R", "device": "0x5C", "times": 1, "error": "TIMEOUT"} ] })");
  Click("NextCMD");
  ClickCheck("SMBusCheck");
  Click("NextCMD");
  EXPECT_TRUE(boxes_.shown.empty());
  const QStringList lines = Lines();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].endsWith(QStringLiteral("Printer 1")));
  EXPECT_TRUE(lines[1].endsWith(QStringLiteral("SMBus2D")));
  ASSERT_EQ(form_->search().pp_finds().size(), 1u);
  EXPECT_TRUE(form_->search().pp_finds()[0].mode_flag) << "only the second probe answered";
  EXPECT_EQ(trace_.Lines().front(), "PP 5C R 3E ERR TIMEOUT");
}

TEST_F(InitFormTest, KeepsTheDesignProportionsAndRoomForEveryText) {
  Start(kBothMedia);
  const QSize size = form_->size();
  // The buttons sit where the design puts them, scaled with the window (design width 6135).
  auto ratio = [&](const char* name) {
    return static_cast<double>(Find<QWidget>(name)->x()) / size.width();
  };
  EXPECT_NEAR(ratio("CancelCMD"), 240.0 / 6135, 0.01);
  EXPECT_NEAR(ratio("BackCMD"), 1920.0 / 6135, 0.01);
  EXPECT_NEAR(ratio("NextCMD"), 3120.0 / 6135, 0.01);
  EXPECT_NEAR(ratio("FinishCMD"), 4800.0 / 6135, 0.01);
  EXPECT_NEAR(ratio("Image1"), 240.0 / 6135, 0.01);
  auto* picture = Find<QWidget>("Image1");
  EXPECT_NEAR(static_cast<double>(picture->height()) / picture->width(), 2565.0 / 855, 0.1);

  // Every control shows its whole text at the window's size, larger or not.
  for (const QSize& s : {size, size * 1.5}) {
    form_->resize(s);
    QApplication::processEvents();
    for (QPushButton* b : form_->findChildren<QPushButton*>()) {
      EXPECT_GE(b->width(), b->sizeHint().width()) << b->objectName().toStdString();
    }
    Click("NextCMD");
    for (QCheckBox* c : form_->findChildren<QCheckBox*>()) {
      if (c->isVisible()) {
        EXPECT_GE(c->width(), c->sizeHint().width()) << c->objectName().toStdString();
      }
    }
    for (const char* name : {"PPSearchDescLBL", "SMBusSearchDescLBL", "SearchMediumInstLBL"}) {
      auto* label = Find<QLabel>(name);
      EXPECT_LE(label->heightForWidth(label->width()), label->height()) << name;
    }
    Click("BackCMD");
  }
}

TEST_F(InitFormTest, LabelsAreReadByTheirTextAndTheBaseAddressBoxByItsLabel) {
  Start(kBothMedia);
  for (QLabel* label : form_->findChildren<QLabel*>()) {
    EXPECT_TRUE(label->accessibleName().isEmpty()) << label->objectName().toStdString();
  }
  QAccessibleInterface* box = QAccessible::queryAccessibleInterface(Find("SMBusBaseAddressTXT"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(QAccessible::Name), Text("SMBusSearchDescLBL"));
}

}  // namespace
