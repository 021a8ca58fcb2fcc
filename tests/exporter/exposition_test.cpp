#include "exporter/exposition.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "exporter/sim_chips.h"

namespace exporter {
namespace {

// Whether the exposition holds this whole line.
bool Has(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

std::string Render(Format format, SimChips& sim, std::size_t chips = 1) {
  std::vector<ChipReading> readings(chips);
  std::vector<ChipView> views;
  for (std::size_t i = 0; i < chips; ++i) {
    sim.Reader(i).Read(readings[i]);
    views.push_back({&sim.Reader(i).labels(), &readings[i]});
  }
  std::string out;
  AppendExposition(out, format, views, 0.0125);
  return out;
}

// One metric per quantity with the channel as a label: an analog input is a voltage, a stalled
// fan turns at 0 RPM and says so, a fan has only its low limit, temperatures keep their sign.
TEST(Exposition, ChannelsLandInTheirQuantitysMetric) {
  SimChips sim(R"({"smbus": {"chips": [{}]}, "chip": {"noise": 0,
      "registers": {"0x40": "0x01", "0x16": "0x01", "0x3C": "0x80", "0x47": "0x50"},
      "inputs": {"v12": 12.0, "temp_ext1": -5, "ain1": 1.25, "fan2_rpm": 0, "vid": 12}}})");
  sim.Read();  // the stalled fan's alarm latches in the first reading
  sim.Advance(std::chrono::seconds(1));
  const std::string text = Render(Format::Text, sim);
  const std::string chip = "{chip=\"smbus/pci-0000:00:1f.4/0x2D\"";
  EXPECT_TRUE(Has(text, "kelvran_temperature_celsius" + chip + ",channel=\"External 1\"} -5"));
  EXPECT_TRUE(Has(text, "kelvran_fan_speed_rpm" + chip + ",channel=\"Fan 2\"} 0"));
  EXPECT_TRUE(Has(text, "kelvran_fan_stalled" + chip + ",channel=\"Fan 2\"} 1"));
  EXPECT_TRUE(Has(text, "kelvran_alarm" + chip + ",channel=\"Fan 2\"} 1"));
  EXPECT_TRUE(Has(text, "kelvran_alarm" + chip + ",channel=\"Chassis\"} 0"));
  EXPECT_TRUE(Has(text, "kelvran_vid_code" + chip + "} 12"));
  EXPECT_TRUE(Has(text, "kelvran_converting" + chip + "} 1"));
  EXPECT_TRUE(Has(text, "kelvran_temperature_trip_celsius" + chip +
                            ",channel=\"External 1\",register=\"0x18\"} 100"));
  EXPECT_TRUE(Has(text, "kelvran_chip_info" + chip +
                            ",medium=\"SMBus\",adapter=\"i2c-0\",address=\"0x2D\","
                            "company_id=\"0x41\",revision=\"0x01\"} 1"));
  EXPECT_NE(text.find("kelvran_fan_low_limit_rpm" + chip + ",channel=\"Fan 2\"}"),
            std::string::npos);
  EXPECT_EQ(text.find("channel=\"Fan 1\""), std::string::npos) << "FAN1 is AIN1 in this mode";
  EXPECT_EQ(text.find("_high_limit_volts" + chip + ",channel=\"Fan"), std::string::npos);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      text, m, std::regex(R"(kelvran_voltage_volts\{[^}]*channel="AIN 1"\} ([0-9.]+)\n)")));
  EXPECT_NEAR(std::stod(m[1]), 1.25, 0.02);
}

// A chip the bus fails has up 0 and its error count and nothing else; the other chip is whole.
TEST(Exposition, DownChipShowsOnlyUpAndErrors) {
  SimChips sim(kConvertingChip, {0x2D, 0x2E});
  buslink::sim::Fault fault;
  fault.device = 0x2E;
  sim.hardware().AddFault(fault);
  const std::string text = Render(Format::OpenMetrics, sim, 2);
  std::size_t down_lines = 0;
  for (std::size_t at = 0; (at = text.find("0x2E\"", at)) != std::string::npos; ++at) ++down_lines;
  EXPECT_EQ(down_lines, 2u) << text;
  EXPECT_NE(text.find("kelvran_up{chip=\"smbus/pci-0000:00:1f.4/0x2E\"} 0\n"), std::string::npos);
  EXPECT_NE(text.find("kelvran_bus_errors_total{chip=\"smbus/pci-0000:00:1f.4/0x2E\"} 1\n"),
            std::string::npos);
  EXPECT_NE(text.find("kelvran_up{chip=\"smbus/pci-0000:00:1f.4/0x2D\"} 1\n"), std::string::npos);
  EXPECT_NE(
      text.find("kelvran_voltage_volts{chip=\"smbus/pci-0000:00:1f.4/0x2D\",channel=\"+12V\"}"),
      std::string::npos);
  EXPECT_NE(text.find("kelvran_scrape_duration_seconds 0.0125\n"), std::string::npos);
}

TEST(Exposition, LabelValuesAreEscapedAndValidUtf8) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"plain", "plain"},
      {"a\"b", "a\\\"b"},
      {"back\\slash", "back\\\\slash"},
      {"two\nlines", "two\\nlines"},
      {"tab\tstays", "tab\tstays"},
      {"40 \xC2\xB0"
       "C",
       "40 \xC2\xB0"
       "C"},                                                   // a degree sign is UTF-8
      {"bridge \xF0\x9F\x94\x8C", "bridge \xF0\x9F\x94\x8C"},  // so is a four-byte one
      {"latin1 \xB0", "latin1 \xEF\xBF\xBD"},                  // a lone continuation byte
      {"overlong \xC0\xAF", "overlong \xEF\xBF\xBD\xEF\xBF\xBD"},
      {"surrogate \xED\xA0\x80", "surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"cut \xE2\x82", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    std::string out;
    AppendLabelValue(out, c.in);
    EXPECT_EQ(out, c.out) << c.in;
  }
  // In a whole exposition too: an adapter name is the kernel's, not ours.
  SimChips sim(kConvertingChip);
  ChipReading r;
  sim.Reader().Read(r);
  r.adapter = "odd \"name\"\\\n";
  const ChipView view{&sim.Reader().labels(), &r};
  std::string out;
  AppendExposition(out, Format::Text, {&view, 1}, 0);
  EXPECT_NE(out.find("adapter=\"odd \\\"name\\\"\\\\\\n\""), std::string::npos) << out;
}

// Content negotiation as Prometheus's own client libraries do it.
TEST(Exposition, NegotiatesTheFormatTheScraperAsksFor) {
  const std::string om100 = "application/openmetrics-text; version=1.0.0; charset=utf-8";
  const std::string text = "text/plain; version=0.0.4; charset=utf-8";
  const struct {
    std::string accept, content_type;
  } cases[] = {
      // What Prometheus 2.42 sends.
      {"application/openmetrics-text;version=1.0.0,application/openmetrics-text;version=0.0.1;"
       "q=0.75,text/plain;version=0.0.4;q=0.5,*/*;q=0.1",
       om100},
      {"", text},
      {"text/plain", text},
      {"application/json", text},
      {"Application/OpenMetrics-Text", om100},
      {"application/openmetrics-text; version=\"1.0.0\"", om100},
      {"application/openmetrics-text;version=0.0.1",
       "application/openmetrics-text; version=0.0.1; charset=utf-8"},
      {"application/openmetrics-text;version=2.0.0, text/plain;q=0.2", text},
      {"text/plain;q=0.5, application/openmetrics-text", om100},
      {"application/openmetrics-text;q=0, text/plain", text},
      {"application/openmetrics-text;q=0.9, text/plain;q=0.95", text},
      {"application/openmetrics-text;q=banana, text/plain;q=0.1", text},
      {",,;;=,;q=,application/openmetrics-text", om100},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Negotiate(c.accept).content_type, c.content_type) << c.accept;
    EXPECT_EQ(Negotiate(c.accept).format,
              c.content_type == text ? Format::Text : Format::OpenMetrics);
  }
}

}  // namespace
}  // namespace exporter
