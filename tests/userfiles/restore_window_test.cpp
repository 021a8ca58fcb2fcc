// Snapshots saved and restored from the window: the plan a restore offers, a snapshot of another
// chip or revision, a write that fails part way, and a malformed file.
#include <gmock/gmock.h>

#include <QAction>
#include <QFile>
#include <QTemporaryDir>

#include "boxes/handler_edge.h"
#include "chip/register_access.h"
#include "chip/restore_plan.h"
#include "chip/snapshot.h"
#include "display/main_form.h"
#include "menus/menu_features.h"
#include "userfiles/menu_window_test.h"

namespace {

using ::testing::HasSubstr;

class RestoreWindowTest : public MenuWindowTest {
 protected:
  // A snapshot of a chip set up with registers, saved through the menu.
  void Save(const std::string& registers) {
    Run(registers);
    TriggerWith("action_save_snapshot", file_);
  }
  QString file_ = File("board.json");
};

// On a running chip the table offers START cleared first and set again last, around the ticked
// registers; an unticked register is left out and the chip still starts again.
TEST_F(RestoreWindowTest, TheTableShowsThePlanAndOnlyTheTickedRegistersAreWritten) {
  Save(R"({"0x40": "0x03", "0x2B": "0x50", "0x43": "0x0F", "0x15": "0x55"})");
  Run(R"({"0x40": "0x03"})");
  // A write to the chip is never one key away.
  EXPECT_TRUE(window_->findChild<QAction*>("action_restore_snapshot")->shortcut().isEmpty());
  dialogs_.files = {file_};
  dialogs_.ticks = std::vector<bool>{true, true, false, true};
  Trigger("action_restore_snapshot");
  std::vector<std::string> offered;
  for (const chip::RestoreStep& step : dialogs_.offered)
    offered.push_back(chip::DescribeStep(step));
  EXPECT_EQ(offered,
            (std::vector<std::string>{
                "0x40  Configuration 1: 0x03 -> 0x02  (START cleared while the others "
                "are written)",
                "0x2B  2.5V/Ext.Temp. High: 0xFF -> 0x50", "0x43  INT Mask 1: 0x00 -> 0x0F",
                "0x40  Configuration 1: 0x02 -> 0x03  (START set again)"}));
  std::vector<std::string> writes;
  for (const std::string& line : TakeWrites()) writes.push_back(line.substr(7));
  EXPECT_EQ(writes, (std::vector<std::string>{"W 40 02", "W 2B 50", "W 40 03"}));
}

// A snapshot of another revision is put back only after a yes.
TEST_F(RestoreWindowTest, AnotherRevisionAsksFirst) {
  Save(R"({"0x3F": "0x07", "0x43": "0x0F"})");
  for (const auto answer : {boxes::MsgAnswer::No, boxes::MsgAnswer::Yes}) {
    Run("{}");
    boxes_.shown.clear();
    boxes_.answers = {answer};
    TriggerWith("action_restore_snapshot", file_);
    ASSERT_EQ(boxes_.shown.size(), 1U);
    EXPECT_EQ(boxes_.shown[0].purpose, QStringLiteral("snapshot_other_chip"));
    EXPECT_THAT(boxes_.shown[0].text.toStdString(), HasSubstr("Revision 0x07"));
    EXPECT_EQ(TakeWrites().empty(), answer == boxes::MsgAnswer::No);
  }
}

// A write the bus refuses part way, after START was cleared: START is set again, and the
// program's error report says which register failed, what was written before it and that the
// chip is converting.
TEST_F(RestoreWindowTest, AFailedWriteSetsStartAgainAndReportsWhatWasWritten) {
  Save(R"({"0x40": "0x01", "0x2B": "0x50", "0x2E": "0x60", "0x43": "0x0F"})");
  Run(R"({"0x40": "0x01"})");
  buslink::sim::Fault fault;
  fault.op = 'W';
  fault.reg = 0x2E;
  hardware_->AddFault(fault);
  dialogs_.files = {file_};
  QString reported;
  boxes::SetFatalReport([&](const QString& description) { reported = description; });
  Trigger("action_restore_snapshot");
  boxes::SetFatalReport({});
  const std::string what = reported.toStdString();
  EXPECT_THAT(what, HasSubstr("writing 0x2E (Vccp1 Low) of the chip at SMBus at 0x2D failed"));
  EXPECT_THAT(what, HasSubstr("already written: 0x40 Configuration 1 = 0x00, 0x2B 2.5V/Ext.Temp. "
                              "High = 0x50\n"));
  EXPECT_THAT(what, HasSubstr("not written: 0x2E Vccp1 Low, 0x43 INT Mask 1"));
  EXPECT_THAT(what, HasSubstr("\nthe chip is converting (START is set)"));
  EXPECT_EQ(TakeWrites().back().substr(7), "W 40 01");
}

TEST_F(RestoreWindowTest, RestoreOnAnotherChipCopiesWritableRegistersConfigurationLast) {
  Run(R"({"0x16": "0x03", "0x19": "0x80", "0x2B": "0xC0", "0x33": "0xD0", "0x40": "0x99",
          "0x47": "0x9C", "0x4A": "0x02", "0x24": "0x55"})");
  TriggerWith("action_save_snapshot", File("board.json"));
  EXPECT_EQ(TakeOps().size(), 50U);  // every catalogue register, once

  Run("{}", Medium::PrinterPort);
  TriggerWith("action_restore_snapshot", File("board.json"));
  EXPECT_THAT(dialogs_.offered_note.toStdString(), HasSubstr("SMBus at 0x2D"));
  std::vector<std::string> writes;
  for (const std::string& line : TakeWrites()) writes.push_back(line.substr(8, 5));
  EXPECT_EQ(writes, (std::vector<std::string>{"16 03", "19 80", "2B C0", "33 D0", "47 90", "4A 02",
                                              "40 01"}));
  QFile file(File("board.json"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  for (const chip::SavedRegister& saved :
       chip::ParseSnapshot(file.readAll().toStdString()).registers) {
    const std::uint8_t stored = chip::StoredBits(saved.address);
    EXPECT_EQ(Chip().Peek(saved.address) & stored, saved.value & stored) << Hex2(saved.address);
  }
  // A board is named by the address the wizard shows (2Eh), not by its 8-bit 5Ch.
  TriggerWith("action_save_snapshot", File("pp.json"));
  QFile pp(File("pp.json"));
  ASSERT_TRUE(pp.open(QIODevice::ReadOnly));
  EXPECT_THAT(pp.readAll().toStdString(), HasSubstr("\"chip_address\": \"0x2E\""));
}

// One fault; the parser's own table has the rest.
TEST_F(RestoreWindowTest, MalformedSnapshotIsRefusedAndNothingIsWritten) {
  Run("{}");
  QFile bad(File("bad.json"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(R"({"version": "1.0.0", "time": "t", "medium": "SMBus", "chip_address": "0x2D", )"
            R"("registers": [{"address": "0x16", "value": 1}]})");
  bad.close();
  TriggerWith("action_restore_snapshot", File("bad.json"));
  ASSERT_EQ(boxes_.shown.size(), 1U);
  EXPECT_EQ(boxes_.shown[0].purpose, QStringLiteral("snapshot_malformed"));
  EXPECT_THAT(boxes_.shown[0].text.toStdString(), HasSubstr("\"caption\" is missing"));
  EXPECT_EQ(SinceMark(), 0U) << "the chip was touched";
}

}  // namespace
