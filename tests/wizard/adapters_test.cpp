// The wizard and the main window on a simulated bench with several I2C adapters: each result
// line names its adapter, the chosen chip's adapter goes with it into the windows, one adapter
// leaves every text as it always was, and a bridge plugged in while the wizard shows is found by
// the next search. (That nothing found names the buses left alone: access's DeviceSearch.)
#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QTabWidget>

#include "access/link_new_com_port.h"
#include "wizard_window.h"

namespace {

using ::testing::ElementsAre;

// The motherboard's controller with a chip at 2Eh, a graphics bus and a USB bridge with a chip
// at 2Dh each; limit register 2Bh tells the chips apart.
const char* const kBench = R"({
  "smbus": {"number": 0, "name": "SMBus I801 adapter at efa0", "base_address": "0xEFA0",
            "chips": [{"address": "0x2E", "registers": {"0x2B": "0x11"}}]},
  "i2c_adapters": [
    {"number": 3, "name": "i915 gmbus dpb", "parent": "display",
     "chips": [{"address": "0x2D", "registers": {"0x2B": "0x33"}}]},
    {"number": 7, "name": "CP2112 SMBus Bridge on hidraw0", "parent": "usb",
     "chips": [{"address": "0x2D", "registers": {"0x2B": "0x77"}}]}]})";
// One adapter the search covers, beside a graphics bus it leaves alone.
const char* const kOneSearched = R"({
  "smbus": {"number": 0, "name": "SMBus I801 adapter at efa0", "chips": [{"address": "0x2D"}]},
  "i2c_adapters": [{"number": 3, "name": "i915 gmbus dpb", "parent": "display",
                    "chips": [{"address": "0x2D"}]}]})";

const QString kController = QStringLiteral("/dev/i2c-0, SMBus I801 adapter at efa0");
const QString kBridge = QStringLiteral("/dev/i2c-7, CP2112 SMBus Bridge on hidraw0");

class AdaptersTest : public WizardTest {
 protected:
  // Finish on line `line`, then the main window's tabs and About box: what each says of the
  // adapter ("" where nothing does).
  struct Shown {
    QString read_write, visual_display, about;
  };
  Shown FinishAndLook(WizardWindow& w, int line) {
    w.SelectLine(line);
    w.Click("FinishCMD");
    QMainWindow* main_form = w.form.main_form();
    EXPECT_TRUE(main_form != nullptr && main_form->isVisible());
    if (main_form == nullptr) return {};
    auto* tabs = main_form->findChild<QTabWidget*>(QStringLiteral("Main_Form_Tab"));
    const auto label = [&](const char* name) {
      auto* l = main_form->findChild<QLabel*>(QString::fromLatin1(name));
      EXPECT_NE(l, nullptr) << name;
      return l != nullptr && l->isVisible() ? l->text() : QString();
    };
    Shown shown;
    tabs->setCurrentIndex(1);
    shown.read_write = label("rw_adapter_label");
    tabs->setCurrentIndex(2);
    shown.visual_display = label("vd_adapter_label");
    tabs->setCurrentIndex(0);
    main_form->findChild<QPushButton*>(QStringLiteral("Command3"))->click();
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() != QLatin1String("frmAbout") || !top->isVisible()) continue;
      if (auto* l = top->findChild<QLabel*>(QStringLiteral("lblAdapter"))) shown.about = l->text();
      top->close();
    }
    return shown;
  }
};

// A bridge plugged in while the wizard shows is found by the next search; each line then names
// its adapter and the chosen chip takes its adapter along. (The next read after it is unplugged
// says it is gone: the fatal report test, ABridgeUnpluggedWhileMonitoringIsReportedGone.)
TEST_F(AdaptersTest, ABridgePluggedInIsFoundAndTheChosenChipTakesItsAdapterAlong) {
  WizardWindow& w = Start(kBench);
  hardware_->UnplugAdapter(7);
  w.ToMedia(false, true);
  w.Click("NextCMD");
  EXPECT_THAT(w.Lines(), ElementsAre(SMBusLine("2E"))) << "one adapter: the line as always";
  w.paints.clear();
  w.Click("BackCMD");
  hardware_->PlugAdapter(7);
  trace_.ClearLines();
  w.Click("NextCMD");
  // Two adapters share the bar's 33 in eight steps; the graphics bus is never probed.
  EXPECT_EQ(w.PaintedSteps(33), (std::vector<int>{0, 5, 11, 16, 22, 27, 33}));
  EXPECT_THAT(w.Lines(), ElementsAre(SMBusLine("2E", kController), SMBusLine("2D", kBridge)));
  EXPECT_EQ(Trace().size(), 6u);

  w.boxes.answers.push_back(boxes::MsgAnswer::No);  // no EasySetup at the start notice
  const Shown shown = FinishAndLook(w, 1);
  EXPECT_EQ(w.d.device_address, 0x2D);
  EXPECT_EQ(w.d.adapter, kBridge.toStdString());
  EXPECT_TRUE(w.d.several_adapters);
  EXPECT_EQ(shown.read_write, QStringLiteral("Adapter: ") + kBridge);
  EXPECT_EQ(shown.visual_display, QStringLiteral("Adapter: ") + kBridge);
  EXPECT_EQ(shown.about, QStringLiteral("Chip's adapter: ") + kBridge);
  EXPECT_EQ(devaccess::ReadAt(w.d, 0x2B), 0x77) << "the chip on the bridge, not the graphics bus's";
}

TEST_F(AdaptersTest, OneAdapterSearchedShowsEveryTextAsItAlwaysWas) {
  WizardWindow& w = Start(kOneSearched);
  w.ToMedia(false, true);
  w.Click("NextCMD");
  EXPECT_EQ(w.PaintedSteps(33), (std::vector<int>{0, 11, 22, 33}));
  EXPECT_THAT(w.Lines(), ElementsAre(SMBusLine("2D")));
  EXPECT_EQ(Trace(), (std::vector<std::string>{"SMB 2E R 3E ERR NACK", "SMB 2C R 3E ERR NACK",
                                               "SMB 2D R 3E 41"}));
  const Shown shown = FinishAndLook(w, 0);
  EXPECT_EQ(w.d.adapter, kController.toStdString()) << "recordings and snapshots still name it";
  EXPECT_FALSE(w.d.several_adapters);
  EXPECT_TRUE(shown.read_write.isEmpty());
  EXPECT_TRUE(shown.visual_display.isEmpty());
  EXPECT_TRUE(shown.about.isEmpty());
}

}  // namespace
