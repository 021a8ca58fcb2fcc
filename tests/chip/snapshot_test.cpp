#include "chip/snapshot.h"
#include "chip/restore_flow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <sstream>

#include "chip/recording.h"
#include "support/register_file.h"
#include "support/thrown.h"

namespace chip {
namespace {

using FakeChip = kelvran_test::RegisterFile;

const ChipPlace kSmbus{"SMBus", 0x2D, std::nullopt};

Snapshot SnapshotOf(FakeChip& chip) {
  return TakeSnapshot(chip.Reader(), "1.0.0", "2026-12-06T01:02:03.456+01:00", kSmbus);
}

TEST(Snapshot, SavesAllFiftyInAddressOrderAndReadsBack) {
  FakeChip chip;
  for (std::size_t a = 0; a < 256; ++a) chip.regs[a] = static_cast<std::uint8_t>(a ^ 0x5A);
  const Snapshot saved = SnapshotOf(chip);
  ASSERT_EQ(saved.registers.size(), 50U);
  EXPECT_TRUE(std::is_sorted(chip.reads.begin(), chip.reads.end()));
  EXPECT_EQ(chip.reads.front(), 0x13);
  EXPECT_EQ(chip.reads.back(), 0x4D);

  const ChipPlace port{"printer port", 0x2E, 0x378};
  Snapshot with_port = saved;
  with_port.place = port;
  const Snapshot loaded = ParseSnapshot(FormatSnapshot(with_port));
  EXPECT_EQ(loaded.place, port);
  EXPECT_EQ(loaded.time, saved.time);
  ASSERT_EQ(loaded.registers.size(), 50U);
  for (std::size_t i = 0; i < 50; ++i) {
    EXPECT_EQ(loaded.registers[i].address, saved.registers[i].address);
    EXPECT_EQ(loaded.registers[i].value, saved.registers[i].value);
  }
  EXPECT_EQ(loaded.registers[3].caption, "Channel Mode");
  EXPECT_EQ(PlaceNote(loaded.place, port), "");
  EXPECT_NE(PlaceNote(loaded.place, kSmbus).find("printer port at 0x2E on port 0x378"),
            std::string::npos);
}

// A board's address in the form the wizard shows; files that gave its 8-bit form name the same
// chip.
TEST(Snapshot, APrinterPortChipIsNamedByItsSevenBitAddress) {
  const std::string head = R"({"version": "1", "time": "t", "medium": "printer port", )"
                           R"("port_base": "0x378", "registers": [], "chip_address": )";
  EXPECT_EQ(ParseSnapshot(head + R"("0x5C"})").place.chip_address, 0x2E);
  EXPECT_EQ(ParseSnapshot(head + R"("0x2E"})").place.chip_address, 0x2E);
  EXPECT_EQ(PlaceNote(ParseSnapshot(head + R"("0x5C"})").place, {"printer port", 0x2E, 0x378}), "");
}

// The chip's I2C adapter travels in the file and in a recording's header; a file from before
// adapters were named, or a chip whose adapter is unknown, is not taken for another place.
TEST(Snapshot, TheAdapterTravelsWithTheChipAndOnlyADifferentOneIsNoted) {
  FakeChip chip;
  Snapshot saved = SnapshotOf(chip);
  const ChipPlace bridge{"SMBus", 0x2D, std::nullopt, "/dev/i2c-7, CP2112 SMBus Bridge on hidraw0"};
  saved.place = bridge;
  const std::string text = FormatSnapshot(saved);
  EXPECT_NE(text.find(R"("adapter": "/dev/i2c-7, CP2112 SMBus Bridge on hidraw0")"),
            std::string::npos);
  EXPECT_EQ(ParseSnapshot(text).place, bridge);
  EXPECT_EQ(FormatSnapshot(SnapshotOf(chip)).find("adapter"), std::string::npos)
      << "an unknown adapter is left out, not written empty";

  const ChipPlace controller{"SMBus", 0x2D, std::nullopt, "/dev/i2c-0, SMBus I801 adapter at efa0"};
  EXPECT_EQ(PlaceNote(bridge, bridge), "");
  EXPECT_EQ(PlaceNote(kSmbus, bridge), "") << "an older file names no adapter";
  EXPECT_EQ(PlaceNote(bridge, kSmbus), "") << "a backend that names none";
  EXPECT_EQ(PlaceNote(bridge, controller),
            "This snapshot was taken from a chip on SMBus at 0x2D on /dev/i2c-7, CP2112 SMBus "
            "Bridge on hidraw0, not from the chip in use; its values are restored all the same.");

  RecordingHeader header{"1.0.0", bridge, 0x00, "2026-12-06T01:02:03.456+01:00"};
  const std::string head = FormatHeader(header);
  EXPECT_NE(head.find("# chip address: 0x2D\n# adapter: /dev/i2c-7, CP2112 SMBus Bridge on "
                      "hidraw0\n# channel mode: 0x00\n"),
            std::string::npos)
      << head;
  header.place = kSmbus;
  EXPECT_EQ(FormatHeader(header).find("# adapter"), std::string::npos);
}

TEST(Snapshot, RefusesMalformedFilesNamingTheFault) {
  const std::string head =
      R"({"version": "1.0.0", "time": "t", "medium": "SMBus", "chip_address": "0x2D", )";
  const std::map<std::string, std::string> cases = {
      {R"({"version": 1e400})", "not valid JSON"},
      {"[1, 2]", "one JSON object"},
      {head + R"("registers": [{"address": "0x16", "caption": "x"}]})",
       "registers[0]: the field \"value\" is missing"},
      {head + R"("registers": [{"address": "0x16", "caption": "x", "value": "0xG1"}]})",
       "is not a whole number"},
      {head + R"("registers": [{"address": "0x16", "caption": "a", "value": 1},
                               {"address": "0x16", "caption": "a", "value": 2}]})",
       "registers[1].address: 0x16 comes twice"},
      {R"({"time": "t", "medium": "SMBus", "chip_address": 45, "registers": []})",
       "\"version\" is missing"},
      {head + R"("registers": {}})", "registers: must be a list"},
  };
  for (const auto& [text, message] : cases) {
    EXPECT_THAT(kelvran_test::MessageOf<SnapshotError>([&] { ParseSnapshot(text); }),
                ::testing::HasSubstr(message))
        << text;
  }
}

// Sets registers of a fake chip as "2B=50 43=0F" says.
void Set(FakeChip& chip, const std::string& registers) {
  std::istringstream in(registers);
  for (std::string r; in >> r;)
    chip.regs[std::stoul(r, nullptr, 16)] =
        static_cast<std::uint8_t>(std::stoul(r.substr(3), nullptr, 16));
}

// The restore every front end runs: what it writes and in what order, and what it says when a
// write fails part way. A chip that runs has START cleared first and set again after a failure.
TEST(RestoreFlow, WritesThePlanInOrderAndSaysWhereItStopped) {
  const std::string running = "40=01 2B=50 2E=60 43=0F";
  const std::string part_way =
      "writing 0x2E (Vccp1 Low) of the chip at SMBus at 0x2D failed: NACK\nalready written: 0x40 "
      "Configuration 1 = 0x00, 0x2B 2.5V/Ext.Temp. High = 0x50\nnot written: 0x2E Vccp1 Low, 0x43 "
      "INT Mask 1, 0x40 Configuration 1\n";
  const struct {
    const char* what;
    std::string saved, chip;
    unsigned refused;    // bit n: the bus refuses write n (from 0)
    std::uint8_t keeps;  // the bits 0x2E keeps
    std::string writes, says;
  } cases[] = {
      {"running, with INT Clear set: Configuration 1 last, with the chip's INT Clear",
       "40=03 15=55 2B=50 43=0F", "40=09", 0, 0xFF, "40=08 2B=50 43=0F 40=0B ", ""},
      {"stopped: only stored bits that differ, START the one bit of 0x99 written",
       "16=03 40=99 2B=C0 47=5C 49=01 24=AA 41=01", "47=53 2B=C0", 0, 0xFF, "16=03 40=01 ", ""},
      {"the first write fails", running, "40=01", 0b1, 0xFF, "40=00! 40=01 ",
       "writing 0x40 (Configuration 1) of the chip at SMBus at 0x2D failed: NACK\nalready written: "
       "none\nnot written: 0x40 Configuration 1, 0x2B 2.5V/Ext.Temp. High, 0x2E Vccp1 Low, 0x43 "
       "INT Mask 1, 0x40 Configuration 1\nthe chip is converting (START is set)"},
      {"a failure part way sets START again", running, "40=01", 0b100, 0xFF,
       "40=00 2B=50 2E=60! 40=01 ", part_way + "the chip is converting (START is set)"},
      {"START set again fails too", running, "40=01", 0b1100, 0xFF, "40=00 2B=50 2E=60! 40=01! ",
       part_way + "the chip is not converting (START is clear)"},
      {"a register that does not keep its value stops it", "2B=50 2E=60 43=0F", "", 0, 0x0F,
       "2B=50 2E=60 ",
       "writing 0x2E (Vccp1 Low) of the chip at SMBus at 0x2D failed: 0x2E (Vccp1 Low) holds 0x00 "
       "after 0x60 was written to it\nalready written: 0x2B 2.5V/Ext.Temp. High = 0x50\nnot "
       "written: 0x2E Vccp1 Low, 0x43 INT Mask 1\nthe chip is not converting (START is clear)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeChip source, target;
    Set(source, c.saved);
    Set(target, c.chip);
    target.keeps[0x2E] = c.keeps;
    const Snapshot saved = SnapshotOf(source);
    const RestorePreview preview = PreviewRestore(saved, target.Reader());
    EXPECT_EQ(preview.other_chip, "");
    std::string writes;
    unsigned n = 0;
    const RestoreOutcome outcome =
        ApplyRestore(saved, RestoredRegisters(preview.plan), target.Reader(),
                     [&](std::uint8_t address, std::uint8_t value) {
                       const bool refused = ((c.refused >> n++) & 1) != 0;
                       writes += HexByte(address).substr(2) + "=" + HexByte(value).substr(2) +
                                 (refused ? "! " : " ");
                       if (refused) throw std::runtime_error("NACK");
                       target.Writer()(address, value);
                     });
    EXPECT_EQ(writes, c.writes);
    EXPECT_EQ(DescribeFailure(outcome, "SMBus at 0x2D"), c.says);
    for (const int read_only : {0x20, 0x24, 0x29, 0x41, 0x42, 0x4C, 0x4D}) {
      EXPECT_EQ(std::ranges::count(target.reads, read_only), 0) << read_only;
    }
  }
}

}  // namespace
}  // namespace chip
