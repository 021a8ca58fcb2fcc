#include <gmock/gmock.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "chip/register_access.h"
#include "chip/snapshot.h"
#include "display/main_form.h"
#include "menus/menu_features.h"
#include "userfiles/menu_window_test.h"

namespace {

using ::testing::HasSubstr;

class SnapshotMenuTest : public MenuWindowTest {
 protected:
  void Write(const char* name, const std::string& text) {
    QFile f(File(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), static_cast<qint64>(text.size()));
  }
};

TEST_F(SnapshotMenuTest, QuitEndsAsClosingTheWindowDoes) {
  Run("{}");
  Trigger("action_quit");
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(SinceMark(), 0U);  // the menu itself reads nothing
}

TEST_F(SnapshotMenuTest, RestoreOnAnotherChipCopiesWritableRegistersConfigurationLast) {
  Run(R"({"0x16": "0x03", "0x19": "0x80", "0x2B": "0xC0", "0x33": "0xD0", "0x40": "0x99",
          "0x47": "0x9C", "0x4A": "0x02", "0x24": "0x55"})");
  dialogs_.files = {File("board.json")};
  Trigger("action_save_snapshot");
  EXPECT_EQ(TakeOps().size(), 50U);  // every catalogue register, once

  Run("{}", Medium::PrinterPort);
  dialogs_.files = {File("board.json")};
  Trigger("action_restore_snapshot");
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
}

TEST_F(SnapshotMenuTest, MalformedSnapshotIsRefusedAndNothingIsWritten) {
  const std::string head =
      R"({"version": "1.0.0", "time": "t", "medium": "SMBus", "chip_address": "0x2D", )";
  const std::pair<std::string, const char*> files[] = {
      // Two faults; the parser's own table has the rest.
      {"{not json", "not valid JSON"},
      {head + R"("registers": [{"address": "0x16", "value": 1}]})", "\"caption\" is missing"},
  };
  Run("{}");
  for (const auto& [text, message] : files) {
    Write("bad.json", text);
    dialogs_.files = {File("bad.json")};
    boxes_.shown.clear();
    Trigger("action_restore_snapshot");
    ASSERT_EQ(boxes_.shown.size(), 1U) << text;
    EXPECT_EQ(boxes_.shown[0].purpose, QStringLiteral("snapshot_malformed"));
    EXPECT_THAT(boxes_.shown[0].text.toStdString(), HasSubstr(message));
    EXPECT_EQ(SinceMark(), 0U) << "the chip was touched for " << text;
  }
}

}  // namespace
