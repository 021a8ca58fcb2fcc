// The wizard on simulated hardware: panels, buttons and texts, the search over the ticked media
// with its progress steps and bus transfers, and what Finish hands over.
#include <QAccessible>
#include <QMainWindow>
#include <QPointer>
#include <QTabWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "access/link_new_com_port.h"
#include "wizard_window.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// A board at 5Ch on the printer port at 378h answering under ModeFlag false; an SMBus controller
// at 5000h with a chip at 2Dh.
const char* const kBothMedia = R"({
  "printer_ports": [ { "base": "0x378", "boards": [ { "address": "0x5C" } ] } ],
  "smbus": { "present": true, "base_address": "0x5000", "chips": [ { "address": "0x2D" } ] } })";
// The second of two ports carries a board answering under both ModeFlag settings.
const char* const kBoardUnderBothModes = R"({"printer_ports": [{"base": "0x378"},
    {"base": "0x278", "boards": [{"address": "0x5C", "answers_under": "both"}]}]})";
// Two ports, three boards each, all answering under both settings: twelve lines.
const char* const kTwelveBoards = R"({"printer_ports": [
    {"base": "0x378", "boards": [{"address": "0x5C", "answers_under": "both"},
      {"address": "0x58", "answers_under": "both"}, {"address": "0x5A", "answers_under": "both"}]},
    {"base": "0x278", "boards": [{"address": "0x5C", "answers_under": "both"},
      {"address": "0x58", "answers_under": "both"}, {"address": "0x5A", "answers_under": "both"}]}]})";

// A printer port on a PCIe card, at a base above 0x8000.
const char* const kHighPort =
    R"({"printer_ports": [{"base": "0xD010", "boards": [{"address": "0x5C"}]}]})";

using InitFormTest = WizardTest;

TEST_F(InitFormTest, StartsOnWelcomeTogglesBackAsksForAMediumAndAnswersATypedBase) {
  WizardWindow& w = Start(kBothMedia);
  EXPECT_EQ(w.form.windowTitle(), "KELVRAN Search Wizard");
  EXPECT_EQ(w.Shows(), "WelcomePanel C-N-");
  QStringList texts;
  for (const char* name :
       {"CancelCMD", "BackCMD", "NextCMD", "FinishCMD", "WelcomeLBL", "WelcomeInstructionsLBL",
        "PPCheck", "PPSearchDescLBL", "SMBusCheck", "SMBusSearchDescLBL", "SearchMediumInstLBL",
        "SearchingLBL", "SearchingDetailsLBL", "SearchResultsDescLBL"}) {
    texts << w.Find(name)->property("text").toString();
  }
  EXPECT_EQ(texts.join(QLatin1Char('|')),
            "Cancel|< Back|Next >|Finish|This KELVRAN Search Wizard will find any KELVRANs that "
            "can be controlled by this software|Click 'Next' to start.|Parallel Printer Port|"
            "Remember to connect the KELVRAN evaluation board to the printer port|On-Board SMBus|"
            "The Southbridge or ICH of Intel chipsets. For unsupported Intel chipsets, enter SMBBA "
            "here (Hex).|Click 'Next' to search for the KELVRAN.|Searching|Please wait while "
            "searching for available KELVRANs.|Search Results");

  // Enter presses the button that has the focus.
  w.Find("NextCMD")->setFocus();
  QTest::keyClick(w.Find("NextCMD"), Qt::Key_Return);
  EXPECT_EQ(w.Shows(), "SeclectComsMediumPanel CBN-");
  EXPECT_TRUE(w.Ticked("PPCheck"));
  EXPECT_FALSE(w.Ticked("SMBusCheck"));
  EXPECT_TRUE(w.Enabled("SMBusCheck"));
  EXPECT_FALSE(w.Find("USBCheck")->isVisible() || w.Enabled("USBCheck"));
  EXPECT_FALSE(w.Find("USBSearchDescLBL")->isVisible());
  for (const char* description : {"PPSearchDescLBL", "SMBusSearchDescLBL", "USBSearchDescLBL"}) {
    EXPECT_EQ(w.Colour(description), kDarkGreen) << description;
  }
  // The controller's base address in full, though a user may type at most three hex digits.
  EXPECT_EQ(w.Base(), "5000");
  w.TypeBase(QStringLiteral("5g0z01"));
  EXPECT_EQ(w.Base(), "500");

  w.Click("BackCMD");
  EXPECT_EQ(w.Shows(), "WelcomePanel C-N-");
  w.Click("NextCMD");
  EXPECT_EQ(w.Shows(), "SeclectComsMediumPanel CBN-");

  w.ClickCheck("PPCheck");
  w.Click("NextCMD");
  ASSERT_EQ(w.boxes.shown.size(), 1u);
  EXPECT_EQ(w.boxes.shown[0].text, "Please select a search medium");
  EXPECT_EQ(w.boxes.shown[0].title, "A problem was detected");
  EXPECT_EQ(w.boxes.shown[0].buttons, boxes::MsgButtons::Ok);
  EXPECT_EQ(w.Shows(), "SeclectComsMediumPanel CBN-");
  EXPECT_EQ(w.form.main_form(), nullptr) << "no search, so the main window is not loaded";
  EXPECT_THAT(Trace(), IsEmpty()) << "nothing talks to a chip before a search";

  // The box takes three digits: when the typed base finds no controller, the reason asks only
  // for what the box can take. The pages and buttons keep their size and place when the reasons
  // appear below them. (The reasons' texts on simulated hardware: kelvran detect's test.)
  w.ClickCheck("SMBusCheck");
  std::vector<QRect> places;
  for (const char* name : {"InitFormDesign", "CancelCMD", "BackCMD", "NextCMD", "FinishCMD"})
    places.push_back(w.Find(name)->geometry());
  w.Click("NextCMD");
  QApplication::processEvents();
  ASSERT_TRUE(w.Find("SearchReasonsLBL")->isVisible());
  std::size_t i = 0;
  for (const char* name : {"InitFormDesign", "CancelCMD", "BackCMD", "NextCMD", "FinishCMD"})
    EXPECT_EQ(w.Find(name)->geometry(), places[i++]) << name;
  const std::string reasons = w.Text("SearchReasonsLBL").toStdString();
  EXPECT_THAT(reasons, HasSubstr("500h"));
  EXPECT_THAT(reasons, HasSubstr("its adapter is at 5000h"));
  EXPECT_THAT(reasons, HasSubstr("Clear the box (or enter 0)"));
  EXPECT_THAT(reasons, Not(HasSubstr("Enter that base address")));
}

TEST_F(InitFormTest, OperatingSystemBuildDecidesWhatTheMediumPanelOffers) {
  const struct {
    int build;
    bool smbus, usb_sorry;
  } builds[] = {{950, true, true},   {1111, true, true},   {1998, true, false}, {2222, true, false},
                {3000, true, false}, {1381, false, false}, {2600, false, false}};
  for (const auto& b : builds) {
    SCOPED_TRACE(b.build);
    WizardWindow& w = Start(R"({"os_build": )" + std::to_string(b.build) +
                            R"(, "smbus": {"present": true, "base_address": "0x1C0"}})");
    w.Click("NextCMD");
    EXPECT_EQ(w.Enabled("SMBusCheck"), b.smbus);
    EXPECT_EQ(w.Enabled("SMBusBaseAddressTXT"), b.smbus);
    EXPECT_EQ(w.Base(), b.smbus ? "1C0" : "000");
    EXPECT_EQ(w.Colour("SMBusSearchDescLBL"), b.smbus ? kDarkGreen : kDarkRed);
    EXPECT_EQ(w.Text("SMBusSearchDescLBL") == kNoSMBus, !b.smbus);
    EXPECT_EQ(w.Text("USBSearchDescLBL"),
              b.usb_sorry ? "Sorry, USB communication is not supported on Windows 95." : "");
    EXPECT_EQ(w.Colour("USBSearchDescLBL"), b.usb_sorry ? kDarkRed : kDarkGreen);
    EXPECT_TRUE(w.boxes.shown.empty());
  }
}

TEST_F(InitFormTest, BuildThatIsNotANumberFailsTheLoadButTheWindowOpens) {
  struct OddBuild : buslink::sim::SimulatedHardware {
    using SimulatedHardware::SimulatedHardware;
    std::unique_ptr<buslink::SystemInfo> CreateSystemInfo() override {
      struct Odd : buslink::SystemInfo {
        std::string OSBuild() const override { return "4.10.1998"; }
      };
      return std::make_unique<Odd>();
    }
  } odd(buslink::sim::Scenario::FromJson(kBothMedia, "test"));
  WizardWindow w(odd);
  ASSERT_EQ(w.boxes.shown.size(), 1u);
  EXPECT_EQ(w.boxes.shown[0].text, "Error in Init Form Load");
  EXPECT_EQ(w.boxes.shown[0].title, "Error");
  EXPECT_EQ(w.boxes.shown[0].icon, boxes::MsgIcon::Critical);
  EXPECT_TRUE(w.form.isVisible());
  EXPECT_EQ(w.Text("SearchingDetailsLBL"), "") << "the steps after the failing one are skipped";
}

TEST_F(InitFormTest, CancelEscapeOrCloseBoxBeforeFinishEndsEverything) {
  for (const bool searched : {false, true}) {
    for (const char* way : {"Cancel", "Escape", "close box"}) {
      SCOPED_TRACE(std::string(way) + (searched ? " after a search" : " before a search"));
      WizardWindow& w = Start(kBothMedia);
      w.Click("NextCMD");
      if (searched) w.Click("NextCMD");
      const QPointer<QMainWindow> main_form = w.form.main_form();
      EXPECT_EQ(main_form != nullptr, searched) << "the search loads the main window";
      EXPECT_FALSE(main_form && main_form->isVisible()) << "loaded, not shown";
      if (way[0] == 'C') w.Click("CancelCMD");
      if (way[0] == 'E') QTest::keyClick(&w.form, Qt::Key_Escape);
      if (way[0] == 'c') w.form.close();
      EXPECT_FALSE(w.form.isVisible());
      EXPECT_EQ(main_form, nullptr) << "the loaded main window is unloaded";
      EXPECT_EQ(Trace().size(), searched ? 6u : 0u);
    }
  }
}

using Steps = std::vector<int>;
using Probes = std::vector<std::string>;

// What Finish on a line hands over, and a read of register 3Eh afterwards; line -1: no Finish.
struct Finish {
  int line, comms_medium, device_address, pp_base, link_medium;
  bool mode_flag;
  const char* read;
};
constexpr Finish kNoFinish{-1, 0, 0, 0, 0, false, ""};

// One search from the medium panel: the bar's steps, the lines and every transfer; then Finish.
struct SearchCase {
  const char* name;
  const char* scenario;
  bool printer_port, smbus;  // the boxes ticked
  int maximum;
  Steps steps;  // the values the Searching panel was painted with
  QStringList lines;
  Probes trace;
  Finish finish;
};

void PrintTo(const SearchCase& c, std::ostream* os) {
  *os << c.name;
}

class Search : public InitFormTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(Search, StepsTheBarListsWhatAnswersAndFinishHandsTheChosenLineOver) {
  const SearchCase& c = GetParam();
  WizardWindow& w = Start(c.scenario);
  w.ToMedia(c.printer_port, c.smbus);
  w.Click("NextCMD");
  EXPECT_EQ(w.PaintedSteps(c.maximum), c.steps);
  EXPECT_EQ(w.Lines(), c.lines);
  EXPECT_EQ(Trace(), c.trace);
  EXPECT_TRUE(w.boxes.shown.empty());
  if (c.lines.isEmpty()) {
    EXPECT_EQ(w.Shows(), "SearchResultsPanel CB--");
    EXPECT_EQ(w.Text("SearchResultsLBL"), kNoneFound);
    EXPECT_EQ(w.Text("SearchInsLBL"), "Click Back to continue...");
  } else {
    EXPECT_EQ(w.Shows(), "SearchResultsPanel CB-F");
    EXPECT_EQ(w.Find<QListWidget>("SearchResultsLIST")->currentRow(), 0);
    EXPECT_EQ(w.Text("SearchResultsLBL"), "Please select one of the KELVRANs found above.");
    EXPECT_EQ(w.Text("SearchInsLBL"), "Click 'Finish' to Continue");
  }
  const Finish& f = c.finish;
  if (f.line < 0) return;
  const QPointer<QMainWindow> main_form = w.form.main_form();
  w.SelectLine(f.line);
  w.d.comms_medium = 7;  // so the test sees Finish write it
  w.Click("FinishCMD");
  EXPECT_FALSE(w.form.isVisible());
  EXPECT_TRUE(main_form && main_form->isVisible()) << "closing after Finish leaves the main window";
  EXPECT_EQ(w.d.comms_medium, f.comms_medium);
  EXPECT_EQ(w.d.device_address, f.device_address);
  EXPECT_EQ(w.d.pp_base_address, f.pp_base);
  buslink::BusLink& link = *w.d.bus_link;
  EXPECT_EQ(static_cast<int>(link.Medium()), f.link_medium);
  if (f.link_medium == 0) {
    EXPECT_EQ(link.GetParallelPorts().BaseAddress(), f.pp_base) << "that port selected";
    EXPECT_EQ(link.GetParallelPorts().Device().ModeFlag(), f.mode_flag);
  }
  trace_.ClearLines();
  EXPECT_EQ(devaccess::ReadAt(w.d, 0x3E), 0x41);
  EXPECT_THAT(Trace(), ElementsAre(f.read)) << "the chip is reached where it was found";
}

const char* const kCandidates[] = {"5C", "58", "5A"};  // the 7-bit 2E, 2C, 2D

// The six probes of one port: the three candidates under ModeFlag false, then under true.
// answers has a '1' where a board answers, a 'T' where the transfer times out.
Probes Port(const char* answers) {
  Probes trace;
  for (int i = 0; i < 6; ++i) {
    trace.push_back(std::string("PP ") + kCandidates[i % 3] + " R 3E " +
                    (answers[i] == '1'   ? "41"
                     : answers[i] == 'T' ? "ERR TIMEOUT"
                                         : "ERR NACK"));
  }
  return trace;
}
Probes operator+(Probes a, const Probes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
const Probes kSMBusProbes = {"SMB 2E R 3E ERR NACK", "SMB 2C R 3E ERR NACK", "SMB 2D R 3E 41"};
QStringList TwelveLines() {
  QStringList lines;
  for (int i = 0; i < 12; ++i) {
    lines << PrinterLine(QStringList{"2E", "2C", "2D"}[i % 3], i < 6 ? "378" : "278", i + 1);
  }
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Search,
    ::testing::Values(
        SearchCase{
            "ThreePortsNoBoard",
            R"({"printer_ports": [{"base": "0x378"}, {"base": "0x278"}, {"base": "0x3BC"}]})", true,
            false, 33, Steps{0, 8, 16, 24}, QStringList{},
            Port("------") + Port("------") + Port("------"), kNoFinish},
        SearchCase{"NoPrinterPort", "{}", true, false, 33, Steps{0}, QStringList{}, Probes{},
                   kNoFinish},
        SearchCase{
            "BothMediaPrinterPortFirst", kBothMedia, true, true, 66, Steps{0, 8, 19, 30, 41, 52},
            QStringList{PrinterLine("2E", "378", 1), kSMBus2DLine}, Port("1-----") + kSMBusProbes,
            Finish{0, 1, 0x5C, 0x378, 0, false, "PP 5C R 3E 41"}},
        // The fourth step of 11 would pass the maximum: the bar stays at 33.
        SearchCase{"SMBusAlone", kBothMedia, false, true, 33, Steps{0, 11, 22, 33},
                   QStringList{kSMBus2DLine}, kSMBusProbes,
                   Finish{0, 0, 0x2D, 0, 1, false, "SMB 2D R 3E 41"}},
        SearchCase{"ChipWithAnotherId",
                   R"({"smbus": {"present": true, "chips": [{"address": "0x2D",
                       "registers": {"0x3E": "0x23"}}]}})",
                   false, true, 33, Steps{0, 11, 22, 33}, QStringList{},
                   Probes{"SMB 2E R 3E ERR NACK", "SMB 2C R 3E ERR NACK", "SMB 2D R 3E 23"},
                   kNoFinish},
        // A probe the bus fails finds nothing there and the search goes on.
        SearchCase{"ProbeFailureIsNoChip",
                   R"({"printer_ports": [{"base": "0x378", "boards": [{"address": "0x5C",
                       "answers_under": "both"}]}], "faults": [{"medium": "PP", "op": "R",
                       "device": "0x5C", "times": 1, "error": "TIMEOUT"}]})",
                   true, false, 33, Steps{0, 8}, QStringList{PrinterLine("2E", "378", 1)},
                   Port("T--1--"), kNoFinish},
        SearchCase{"BoardUnderBothModes", kBoardUnderBothModes, true, false, 33, Steps{0, 8, 16},
                   QStringList{PrinterLine("2E", "278", 1), PrinterLine("2E", "278", 2)},
                   Port("------") + Port("1--1--"),
                   Finish{1, 1, 0x5C, 0x278, 0, true, "PP 5C R 3E 41"}},
        // A PCIe card's port above 0x8000 is named by its whole base, and reached by it (not
        // taken for a negative number).
        SearchCase{"PortAbove8000", kHighPort, true, false, 33, Steps{0, 8},
                   QStringList{PrinterLine("2E", "D010", 1)}, Port("1-----"),
                   Finish{0, 1, 0x5C, 0xD010, 0, false, "PP 5C R 3E 41"}},
        // Line 11 is port 1, ModeFlag true, 58h; its last digit alone would point at line 1.
        SearchCase{"MoreThanNineLines", kTwelveBoards, true, false, 33, Steps{0, 8, 16},
                   TwelveLines(), Port("111111") + Port("111111"),
                   Finish{10, 1, 0x58, 0x278, 0, true, "PP 58 R 3E 41"}}),
    [](const ::testing::TestParamInfo<SearchCase>& p) { return p.param.name; });

// Return on a check box presses Next; screen readers see a frame, a named results list and the
// base box named by its description, and nothing below the results when chips were found. (That
// every text fits: the layout test, at four screen sizes; F1 on the first page: the e2e walk.)
// Back clears the results, and a second search starts from empty.
TEST_F(InitFormTest, ReturnScreenReadersAndBackFromResults) {
  WizardWindow& w = Start(kBothMedia);
  w.Click("NextCMD");
  w.Find("PPCheck")->setFocus();
  QTest::keyClick(w.Find("PPCheck"), Qt::Key_Return);
  EXPECT_EQ(w.Shows(), "SearchResultsPanel CB-F");
  EXPECT_FALSE(w.Find("SearchReasonsLBL")->isVisible());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&w.form)->role(), QAccessible::Window);
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(w.Find("SearchResultsLIST"))
                   ->text(QAccessible::Name)
                   .isEmpty());
  // Labels are read by their text; the base box by the description beside it.
  for (auto* label : w.form.findChildren<QLabel*>())
    EXPECT_TRUE(label->accessibleName().isEmpty()) << label->objectName().toStdString();
  EXPECT_EQ(
      QAccessible::queryAccessibleInterface(w.Find("SMBusBaseAddressTXT"))->text(QAccessible::Name),
      w.Text("SMBusSearchDescLBL"));
  ASSERT_EQ(w.Lines().size(), 1);
  QMainWindow* first_load = w.form.main_form();
  w.Click("BackCMD");
  EXPECT_EQ(w.Shows(), "SeclectComsMediumPanel CBN-");
  EXPECT_THAT(w.Lines(), IsEmpty());
  trace_.ClearLines();
  w.Click("NextCMD");
  EXPECT_THAT(w.Lines(), ElementsAre(PrinterLine("2E", "378", 1)));
  EXPECT_EQ(w.form.main_form(), first_load) << "a loaded main window is not loaded again";
  EXPECT_EQ(Trace().size(), 6u);
}

}  // namespace
