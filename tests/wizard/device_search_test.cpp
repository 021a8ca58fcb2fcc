#include "wizard/device_search.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "buslink/sim/simulated_hardware.h"

namespace {

using wizard::LineTag;
using wizard::ReadLineTag;

// The results lines' shape is what Finish reads back, so the two are checked together.
TEST(ResultsLines, PrinterPortLineHasFiftyBlanksBeforeItsTag) {
  EXPECT_EQ(wizard::PrinterPortLine(0x5C, 0x378, 1),
            "Found an KELVRAN at:2Eh, on printer port:378h" + std::string(50, ' ') + "Printer 1");
  EXPECT_EQ(wizard::PrinterPortLine(0x58, 0x3BC, 12),
            "Found an KELVRAN at:2Ch, on printer port:3BCh" + std::string(50, ' ') + "Printer 12");
}

TEST(ResultsLines, SMBusLineHasNinetyEightBlanksBeforeItsTag) {
  EXPECT_EQ(wizard::SMBusLine(0x2D),
            "An KELVRAN was found at:2Dh, on the SMBus" + std::string(98, ' ') + "SMBus2D");
}

TEST(ResultsLines, HexIsUpperCaseWithoutLeadingZeros) {
  EXPECT_EQ(wizard::Hex(0x0A), "A");
  EXPECT_EQ(wizard::Hex(0x2E), "2E");
  EXPECT_EQ(wizard::Hex(0x5000), "5000");
  EXPECT_EQ(wizard::Hex(0), "0");
}

struct TagCase {
  std::string line;
  LineTag::Kind kind;
  int printer_line;
  int address7;
};

class LineTags : public ::testing::TestWithParam<TagCase> {};

TEST_P(LineTags, ReadBackAsFinishNeedsThem) {
  const TagCase& c = GetParam();
  const LineTag tag = ReadLineTag(c.line);
  EXPECT_EQ(tag.kind, c.kind) << c.line;
  if (c.kind == LineTag::Kind::Printer) {
    EXPECT_EQ(tag.printer_line, c.printer_line) << c.line;
  }
  if (c.kind == LineTag::Kind::SMBus) {
    EXPECT_EQ(tag.address7, c.address7) << c.line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllShapes, LineTags,
    ::testing::Values(
        TagCase{wizard::PrinterPortLine(0x5C, 0x378, 1), LineTag::Kind::Printer, 1, 0},
        TagCase{wizard::PrinterPortLine(0x5C, 0x378, 9), LineTag::Kind::Printer, 9, 0},
        // From the tenth line on the whole number counts, not its last digit.
        TagCase{wizard::PrinterPortLine(0x5A, 0x278, 10), LineTag::Kind::Printer, 10, 0},
        TagCase{wizard::PrinterPortLine(0x5A, 0x278, 13), LineTag::Kind::Printer, 13, 0},
        TagCase{wizard::SMBusLine(0x2D), LineTag::Kind::SMBus, 0, 0x2D},
        TagCase{wizard::SMBusLine(0x2C), LineTag::Kind::SMBus, 0, 0x2C},
        TagCase{"Printer 7", LineTag::Kind::Printer, 7, 0},
        TagCase{"SMBus2E", LineTag::Kind::SMBus, 0, 0x2E}, TagCase{"", LineTag::Kind::None, 0, 0},
        TagCase{"Printer", LineTag::Kind::None, 0, 0},
        TagCase{"Printer1", LineTag::Kind::None, 0, 0},
        TagCase{"Printers 1", LineTag::Kind::None, 0, 0},
        TagCase{"SMBusXY", LineTag::Kind::None, 0, 0},
        TagCase{"Found an KELVRAN somewhere", LineTag::Kind::None, 0, 0}));

// The steps each medium feeds the progress bar, on simulated hardware.
struct StepCase {
  const char* name;
  const char* scenario;
  std::vector<int> printer_steps;
  std::vector<int> smbus_steps;
};

class ProgressSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(ProgressSteps, AreEightPerPortAndElevenPerCandidateSlot) {
  const StepCase& c = GetParam();
  buslink::sim::SimulatedHardware hardware(buslink::sim::Scenario::FromJson(c.scenario, "test"));
  std::unique_ptr<buslink::BusLink> link = hardware.CreateBusLink();
  wizard::DeviceSearch search;
  std::vector<int> steps;
  const wizard::ProgressStep record = [&](int step) { steps.push_back(step); };
  search.SearchPrinterPorts(*link, record);
  EXPECT_EQ(steps, c.printer_steps);
  steps.clear();
  search.SearchSMBus(*link, record, 0);
  EXPECT_EQ(steps, c.smbus_steps);
  steps.clear();
  wizard::DeviceSearch::SearchUSB(record);
  EXPECT_EQ(steps, std::vector<int>({11, 11, 11, 11}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgressSteps,
    ::testing::Values(
        StepCase{"NoHardware", "{}", {}, {11, 11, 11, 11}},
        StepCase{"ThreePorts",
                 R"({"printer_ports": [{"base": "0x378"}, {"base": "0x278"}, {"base": "0x3BC"}],
                     "smbus": {"present": true}})",
                 {8, 8, 8},
                 {11, 11, 11, 11}}),
    [](const ::testing::TestParamInfo<StepCase>& p) { return p.param.name; });

TEST(DeviceSearch, ClearForgetsEveryFind) {
  buslink::sim::SimulatedHardware hardware(buslink::sim::Scenario::BuiltIn());
  std::unique_ptr<buslink::BusLink> link = hardware.CreateBusLink();
  wizard::DeviceSearch search;
  search.SearchPrinterPorts(*link, [](int) {});
  search.SearchSMBus(
      *link, [](int) {}, 0);
  ASSERT_EQ(search.pp_finds().size(), 1u);
  ASSERT_EQ(search.smbus_finds().size(), 1u);
  search.Clear();
  EXPECT_TRUE(search.pp_finds().empty());
  EXPECT_TRUE(search.smbus_finds().empty());
}

}  // namespace
