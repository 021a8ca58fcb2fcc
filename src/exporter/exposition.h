#pragma once

#include <span>
#include <string>
#include <string_view>

#include "exporter/chip_reading.h"

// The exposition of the chips' readings in Prometheus's text format 0.0.4 or in OpenMetrics 1.0.
namespace exporter {

enum class Format { Text, OpenMetrics };

struct NegotiatedFormat {
  Format format = Format::Text;
  std::string_view content_type;
};

// The format a scraper's Accept header asks for, chosen as Prometheus's own client libraries
// choose it: the media ranges by falling q, the first that is OpenMetrics (version 1.0.0, 0.0.1
// or none) or text/plain (version 0.0.4 or none); text when none of them is, or no header.
NegotiatedFormat Negotiate(std::string_view accept);

struct ChipView {
  const ChipLabels* labels;
  const ChipReading* reading;
};

// Appends every metric family with HELP and TYPE (and UNIT in OpenMetrics), and the samples of
// each chip that is up; up, bus errors and the scrape duration for every chip.
void AppendExposition(std::string& out, Format format, std::span<const ChipView> chips,
                      double scrape_seconds);

// A label value as both formats want it: backslash, double quote and line feed escaped, and any
// byte that is not UTF-8 replaced by U+FFFD.
void AppendLabelValue(std::string& out, std::string_view value);

}  // namespace exporter
