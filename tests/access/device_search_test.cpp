// The SMBus search over several adapters: which it probes, in which order, how far the bar moves,
// what each find remembers, and what it says when it found nothing.
#include "access/device_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "buslink/sim/sim_rig.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Lines = std::vector<std::string>;

struct SearchRig : buslink::sim::SimRig {
  using SimRig::SimRig;
  // Searches and returns the bar's steps.
  std::vector<int> Search(long base = 0) {
    std::vector<int> steps;
    search.SearchSMBus(
        *link, [&](int step) { steps.push_back(step); }, base);
    return steps;
  }
  std::vector<std::string> Finds() const {
    std::vector<std::string> finds;
    for (const devaccess::SMBusFind& f : search.smbus_finds()) {
      finds.push_back(std::to_string(f.address7) + "@" +
                      (f.adapter ? std::to_string(f.adapter->number) : "?"));
    }
    return finds;
  }

  devaccess::DeviceSearch search;
};

// A controller with a chip at 2Eh, a graphics bus with one at 2Dh, a stub with chips at 2Ch and
// 2Dh, a USB bridge with one at 2Dh.
constexpr const char* kFourAdapters = R"({
  "smbus": {"number": 0, "name": "SMBus PIIX4 adapter port 0 at 0b00", "base_address": "0xB00",
            "chips": [{"address": "0x2E"}]},
  "i2c_adapters": [
    {"number": 2, "name": "AMDGPU DM i2c hw bus 0", "parent": "display",
     "chips": [{"address": "0x2D"}]},
    {"number": 5, "name": "SMBus stub driver", "parent": "none",
     "chips": [{"address": "0x2C"}, {"address": "0x2D"}]},
    {"number": 9, "name": "CP2112 SMBus Bridge on hidraw1", "parent": "usb",
     "chips": [{"address": "0x2D"}]}]})";

TEST(DeviceSearch, EveryAdapterButTheDisplayBusesIsProbedInTurnWithinOneBarSpan) {
  SearchRig rig(kFourAdapters);
  const std::vector<int> steps = rig.Search();
  EXPECT_EQ(steps.size(), 12u) << "four slots on each of three adapters";
  EXPECT_EQ(std::accumulate(steps.begin(), steps.end(), 0), 44) << "as far as one adapter goes";
  EXPECT_EQ(rig.search.adapters_searched(), 3);
  EXPECT_EQ(rig.search.smbus_adapters().size(), 4u);
  EXPECT_THAT(rig.Finds(), ElementsAre("46@0", "44@5", "45@5", "45@9"));
  // Nine identification reads, none of them to the graphics bus's chip, nothing written.
  EXPECT_EQ(rig.trace.Lines(),
            (Lines{"SMB 2E R 3E 41", "SMB 2C R 3E ERR NACK", "SMB 2D R 3E ERR NACK",
                   "SMB 2E R 3E ERR NACK", "SMB 2C R 3E 41", "SMB 2D R 3E 41",
                   "SMB 2E R 3E ERR NACK", "SMB 2C R 3E ERR NACK", "SMB 2D R 3E 41"}));
  EXPECT_EQ(rig.link->SMBus().CurrentAdapter()->number, 0) << "the search leaves no selection";
  EXPECT_TRUE(rig.search.smbus_problems().empty());
}

TEST(DeviceSearch, OneAdapterSearchedStepsAndProbesAsAlways) {
  // Several adapters, narrowed by --bus or a typed base address. (One adapter alone or beside a
  // display bus: the wizard's search tests.)
  const struct {
    const char* bus;
    long base;
    const char* find;
  } cases[] = {{"CP2112", 0, "45@9"}, {"", 0xB00, "46@0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.find);
    SearchRig rig(kFourAdapters);
    rig.hardware.LimitSearchTo(buslink::BusChoice::Parse(c.bus));
    EXPECT_THAT(rig.Search(c.base), ElementsAre(11, 11, 11, 11));
    EXPECT_EQ(rig.search.adapters_searched(), 1);
    EXPECT_THAT(rig.Finds(), ElementsAre(c.find));
    EXPECT_EQ(rig.trace.Lines().size(), 3u);
  }
}

TEST(DeviceSearch, NothingFoundSaysWhichAdaptersWereLeftAlone) {
  SearchRig rig(R"({"smbus": {"present": false}, "i2c_adapters": [
      {"number": 1, "name": "i915 gmbus dpb", "parent": "display", "chips": [{}]},
      {"number": 2, "name": "i915 gmbus dpc", "parent": "display"},
      {"number": 3, "name": "DPDDC-B"}, {"number": 4, "name": "dmdc", "parent": "display"}]})");
  EXPECT_THAT(rig.Search(), ElementsAre(11, 11, 11, 11)) << "the bar ends where it always did";
  EXPECT_TRUE(rig.trace.Lines().empty()) << "a display bus was probed";
  ASSERT_EQ(rig.search.smbus_problems().size(), 1u);
  const std::string& said = rig.search.smbus_problems()[0];
  EXPECT_THAT(said, HasSubstr("not searched: /dev/i2c-1, i915 gmbus dpb: a display bus"));
  EXPECT_THAT(said, HasSubstr("; and 1 more"));
  EXPECT_THAT(said, HasSubstr("--bus=N"));
}

}  // namespace
