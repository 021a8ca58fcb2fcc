#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "exporter/chip_reader.h"
#include "exporter/exposition.h"

namespace exporter {

struct Request {
  std::string_view method;
  std::string_view path;    // without the query
  std::string_view accept;  // the Accept header; empty when there is none
};

struct Response {
  int status = 200;
  std::string_view content_type;
  std::string body;
  std::string_view allow;  // the methods a 405 names
};

// What the exporter answers, apart from HTTP itself: /metrics reads the chips (or takes their
// last reading within the minimum interval) and renders them as the scraper asks; / lists the
// chips. Nothing answers with a write to a chip, and nothing of the request is echoed.
class Exporter {
 public:
  explicit Exporter(std::vector<std::unique_ptr<ChipReader>> readers);

  Response Handle(const Request& request);
  std::size_t chip_count() const { return readers_.size(); }
  const ChipReader& reader(std::size_t i) const { return *readers_[i]; }

 private:
  std::string Metrics(Format format);
  std::string LandingPage() const;

  std::vector<std::unique_ptr<ChipReader>> readers_;
};

// text with &, <, >, " and ' as HTML entities.
void AppendHtml(std::string& out, std::string_view text);

}  // namespace exporter
