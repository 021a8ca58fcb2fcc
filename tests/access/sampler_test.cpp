#include "chip/sampler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "access/link_new_com_port.h"
#include "buslink/sim/simulated_hardware.h"

namespace {

// A converting SMBus chip with the limits EasySetup leaves (the +12V high limit is 0xD3, about
// 13.2 V), read through the register transfer as every program reads it.
struct SamplerTest : ::testing::Test {
  SamplerTest() {
    trace.KeepLines(true);
    d.device_address = 0x2D;
    for (const auto& [reg, value] : std::vector<std::pair<int, int>>{
             {0x40, 0x03}, {0x16, 0x02}, {0x47, 0x50}, {0x33, 0xD3}, {0x34, 0xAB}, {0x3B, 0xA9}}) {
      devaccess::WriteAt(d, reg, value);
    }
    trace.ClearLines();
  }
  buslink::sim::Chip& Chip() { return *hardware.SMBusChip(0x2D); }
  chip::Sampler MakeSampler(chip::SamplerOptions options = {}) {
    return chip::Sampler(
        [this](std::uint8_t a) { return static_cast<std::uint8_t>(devaccess::ReadAt(d, a)); },
        d.alarm_store, options);
  }
  static const chip::ChannelReading& Find(const chip::Sample& s, std::string_view caption) {
    for (const chip::ChannelReading& r : s.channels) {
      if (r.channel->caption == caption) return r;
    }
    static const chip::ChannelReading none;
    ADD_FAILURE() << "no channel " << caption;
    return none;
  }

  buslink::BusTrace trace;
  buslink::sim::SimulatedHardware hardware{
      buslink::sim::Scenario::FromJson(R"({"smbus": {"chips": [{}]}, "chip": {"noise": 0}})", "t"),
      &trace};
  devaccess::Declarations d{&hardware};
};

// Limits and columns change with the chip's registers as the recorder's read-back test shows;
// a fan divisor changes the fan's limit without its limit register.
TEST_F(SamplerTest, AFanDivisorIsALimitsChange) {
  chip::Sampler sampler = MakeSampler({.read_configuration = true});
  const chip::Sample& s = sampler.Take();
  EXPECT_TRUE(s.converting());
  EXPECT_EQ(Find(s, "Fan 1").value, 4500);
  devaccess::WriteAt(d, 0x47, 0x60);  // FAN1 divisor 4: the same limit byte is another speed
  const double limit2 = Find(s, "Fan 1").low;
  sampler.Take();
  EXPECT_TRUE(s.limits_changed);
  EXPECT_FALSE(s.channels_changed);
  EXPECT_NE(Find(s, "Fan 1").low, limit2);
}

TEST_F(SamplerTest, TransfersPerSampleMatchTheTrace) {
  for (const bool status : {true, false}) {
    for (const int mode : {0x02, 0x03, 0x0F}) {
      devaccess::WriteAt(d, 0x16, mode);
      const chip::SamplerOptions options{
          .read_status = status, .read_configuration = status, .read_chip_facts = status};
      chip::Sampler sampler = MakeSampler(options);
      trace.ClearLines();
      sampler.Take();
      EXPECT_EQ(static_cast<int>(trace.Lines().size()),
                chip::Sampler::TransfersPerSample(mode, options))
          << mode;
      for (const std::string& line : trace.Lines()) {
        EXPECT_EQ(line.find(" W "), std::string::npos) << "a sampler never writes: " << line;
      }
    }
  }
}

// Identity, trip points, VID and the intrusion latch come only when asked for. (That the latch
// holds from reading to reading: the exporter's alarm test; its clearing: the chip's.)
TEST_F(SamplerTest, ChipFactsOnlyWhenAsked) {
  devaccess::WriteAt(d, 0x13, 0xF6);
  devaccess::WriteAt(d, 0x16, 0x03);  // no fan: 0x47 is read for the VID pins alone
  Chip().inputs().vid = 0x15;
  trace.ClearLines();
  chip::Sampler plain = MakeSampler();
  EXPECT_EQ(plain.Take().facts.company_id, 0);
  for (const std::string& line : trace.Lines()) {
    EXPECT_EQ(line.find(" R 3E "), std::string::npos) << line;
  }

  chip::Sampler sampler = MakeSampler({.read_chip_facts = true});
  const chip::Sample& s = sampler.Take();
  EXPECT_EQ(s.facts.vid, 0x15);
  EXPECT_FALSE(s.facts.intrusion);
  ASSERT_EQ(s.facts.trip_points.size(), 4u);
  EXPECT_EQ(s.facts.trip_points[0].celsius, -10);
}

TEST(AlarmStore, ReadersComeAndGoWithoutLosingBits) {
  chip::AlarmStore store;
  std::vector<chip::AlarmStore::Subscription> readers;
  for (std::size_t i = 0; i < chip::AlarmStore::kMaxSubscriptions; ++i) {
    readers.push_back(store.Subscribe());
  }
  EXPECT_THROW(store.Subscribe(), std::length_error);
  store.Latch(0x01, 0);
  readers.pop_back();  // its slot is free again, and its successor starts empty
  chip::AlarmStore::Subscription late = store.Subscribe();
  store.Latch(0x80, 0x10);
  EXPECT_EQ(late.Take(), (chip::StatusSample{0x80, 0x10}));
  chip::AlarmStore::Subscription moved = std::move(readers.front());
  EXPECT_EQ(moved.Peek(), (chip::StatusSample{0x81, 0x10}));
  EXPECT_EQ(moved.Take(), (chip::StatusSample{0x81, 0x10}));
  EXPECT_EQ(moved.Take(), chip::StatusSample{});
}

}  // namespace
