#include "exporter/chip_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "access/link_new_com_port.h"
#include "exporter/exposition.h"
#include "exporter/sim_chips.h"

namespace exporter {
namespace {

using namespace std::chrono_literals;

const chip::ChannelReading* Find(const ChipReading& r, std::string_view caption) {
  for (const chip::ChannelReading& c : r.Channels()) {
    if (c.channel->caption == caption) return &c;
  }
  return nullptr;
}

std::uint64_t Count(const ChipReading& r, std::string_view alarm) {
  return r.alarm_readings[static_cast<std::size_t>(AlarmIndex(alarm))];
}

// Scrapes within the minimum interval take the last reading; one reading is one sample's worth
// of transfers.
TEST(ChipReader, ReadsAtMostOncePerMinimumInterval) {
  SimChips sim(kConvertingChip);
  const ChipReading first = sim.Read();
  ASSERT_TRUE(first.up);
  const std::size_t per_reading = sim.trace().Lines().size();
  EXPECT_EQ(static_cast<int>(per_reading),
            chip::Sampler::TransfersPerSample(0x00, ChipReader::kSamplerOptions));
  EXPECT_NEAR(Find(first, "+12V")->value, 12.0, 0.07);

  sim.Chip().inputs().v12 = 11.6;
  sim.Advance(999ms);
  EXPECT_NEAR(Find(sim.Read(), "+12V")->value, 12.0, 0.07) << "served from the last reading";
  EXPECT_EQ(sim.trace().Lines().size(), per_reading);
  sim.Advance(1ms);
  EXPECT_NEAR(Find(sim.Read(), "+12V")->value, 11.6, 0.07);
  EXPECT_EQ(sim.trace().Lines().size(), 2 * per_reading);
  EXPECT_EQ(sim.Reader().LastState().readings, 2u);
}

// An alarm that came and went between two scrapes, its status bit already cleared by another
// reader of the chip, shows in the next scrape once and is counted once.
TEST(ChipReader, AlarmsBetweenScrapesAreNeitherLostNorRepeated) {
  SimChips sim(kConvertingChip);
  ChipReading r = sim.Read();
  EXPECT_EQ(Count(r, "+12V"), 0u);
  sim.Chip().inputs().v12 = 13.5;
  sim.Chip().Read(0x24);  // the chip converts: +12V passes its high limit and latches
  sim.Chip().inputs().v12 = 12.0;
  sim.Advance(1s);
  r = sim.Read();
  EXPECT_TRUE(Find(r, "+12V")->alarm);
  EXPECT_EQ(r.alarms.status2 & 0x01, 0x01);
  EXPECT_EQ(Count(r, "+12V"), 1u);

  sim.Advance(1s);
  r = sim.Read();
  EXPECT_FALSE(Find(r, "+12V")->alarm);
  EXPECT_EQ(Count(r, "+12V"), 1u) << "the counter keeps what it counted";

  // The chassis latch holds until cleared: every reading finds it.
  sim.Chip().inputs().chassis_intrusion = true;
  for (int i = 1; i <= 2; ++i) {
    sim.Advance(1s);
    r = sim.Read();
    EXPECT_TRUE(r.facts.intrusion);
    EXPECT_EQ(Count(r, "Chassis"), static_cast<std::uint64_t>(i));
  }
}

// A failing transfer sets up to 0 and counts the error; the next reading (after the interval)
// recovers, and an alarm that latched before the failure still reaches it.
TEST(ChipReader, BusFaultGivesDownThenRecovers) {
  SimChips sim(kConvertingChip);
  ASSERT_TRUE(sim.Read().up);
  sim.Chip().inputs().temp_ext1 = 70;
  sim.Chip().Read(0x26);  // External 1 passes its high limit of 60 degrees
  sim.Chip().inputs().temp_ext1 = 40;
  buslink::sim::Fault fault;
  fault.op = 'R';
  fault.reg = 0x41;
  fault.times = 1;
  fault.error = buslink::ErrorCode::Timeout;
  sim.hardware().AddFault(fault);

  sim.Advance(1s);
  ChipReading r = sim.Read();
  EXPECT_FALSE(r.up);
  EXPECT_EQ(r.bus_errors, 1u);
  const ChipReader::State state = sim.Reader().LastState();
  EXPECT_FALSE(state.up);
  EXPECT_NE(state.error.find("reading 0x41"), std::string::npos) << state.error;

  sim.Advance(500ms);
  EXPECT_EQ(sim.Read().bus_errors, 1u) << "a failed reading also stands for the interval";
  sim.Advance(500ms);
  r = sim.Read();
  EXPECT_TRUE(r.up);
  EXPECT_EQ(r.bus_errors, 1u);
  EXPECT_TRUE(Find(r, "External 1")->alarm);
  EXPECT_TRUE(sim.Reader().LastState().error.empty());
}

TEST(ChipReader, ChipThatNoLongerIdentifiesIsDown) {
  SimChips sim(kConvertingChip);
  sim.Chip().Poke(0x3E, 0x00);
  const ChipReading r = sim.Read();
  EXPECT_FALSE(r.up);
  EXPECT_EQ(r.bus_errors, 0u) << "the bus itself answered";
  EXPECT_NE(sim.Reader().LastState().error.find("Company ID reads 0x00"), std::string::npos);
}

// A bridge pulled out and put back under another number: its chip keeps its label, is down while
// gone, and is read where it came back once it identifies as itself. Another chip there is never
// read beyond its identity.
TEST(ChipReader, ChipFollowsItsBridgeToItsNewNumber) {
  SimChips sim(R"({"i2c_adapters": [{"number": 3, "name": "CP2112 SMBus Bridge", "parent": "usb",
      "path": "usb-1-2", "chips": [{"address": "0x2D"}],
      "unplug": {"at": "10s", "for": "5s", "renumber": 9, "every": "20s"}}],
    "chip": {"registers": {"0x40": "0x01"}}})");
  const struct {
    double at;
    bool up;
    const char* adapter;
  } steps[] = {{1, true, "i2c-3"},   {11, false, "i2c-3"}, {16, true, "i2c-9"},
               {31, false, "i2c-9"}, {36, true, "i2c-3"},  {51, false, "i2c-3"}};
  for (const auto& step : steps) {
    sim.hardware().Clock().Set(step.at);
    sim.Advance(1s);
    const ChipReading r = sim.Read();
    EXPECT_EQ(r.up, step.up) << step.at << ": " << sim.Reader().LastState().error;
    EXPECT_EQ(r.adapter, step.adapter) << step.at;
    EXPECT_EQ(sim.Reader().labels().chip, "smbus/usb-1-2/0x2D") << step.at;
  }
  sim.Chip().Poke(0x3F, 0x99);  // while it is gone, another revision takes its place
  sim.hardware().Clock().Set(56);
  sim.Advance(1s);
  const std::size_t before = sim.trace().Lines().size();
  EXPECT_FALSE(sim.Read().up);
  EXPECT_NE(sim.Reader().LastState().error.find("another chip, left alone"), std::string::npos)
      << sim.Reader().LastState().error;
  const std::vector<std::string>& lines = sim.trace().Lines();
  ASSERT_EQ(lines.size(), before + 2);
  EXPECT_EQ(lines[before].substr(0, 11), "SMB 2D R 3E");
  EXPECT_EQ(lines[before + 1], "SMB 2D R 3F 99");
}

// Scrapes of two chips from several threads at once: each reading's transfers reach the bus
// together, never interleaved with another chip's.
TEST(ChipReader, ConcurrentScrapesTakeTheBusInTurn) {
  SimChips sim(kConvertingChip, {0x2D, 0x2E}, 0ms);
  constexpr int kThreads = 4;
  constexpr int kReadsEach = 250;  // enough that unguarded readings meet on most runs
  std::atomic<int> ready = 0;
  std::vector<std::thread> scrapers;
  for (int t = 0; t < kThreads; ++t) {
    scrapers.emplace_back([&sim, &ready, t] {
      ++ready;
      while (ready < kThreads) std::this_thread::yield();
      for (int i = 0; i < kReadsEach; ++i) {
        ChipReading r;
        sim.Reader(static_cast<std::size_t>((t + i) % 2)).Read(r);
      }
    });
  }
  for (std::thread& t : scrapers) t.join();
  const std::vector<std::string>& lines = sim.trace().Lines();
  ASSERT_EQ(lines.size(), std::size_t{kThreads * kReadsEach} * 41u);
  for (std::size_t start = 0; start < lines.size(); start += 41) {
    const std::string device = lines[start].substr(0, 7);  // "SMB 2D "
    for (std::size_t i = start; i < start + 41; ++i) {
      ASSERT_EQ(lines[i].substr(0, 7), device) << "a reading interleaved at line " << i;
    }
  }
}

}  // namespace
}  // namespace exporter
