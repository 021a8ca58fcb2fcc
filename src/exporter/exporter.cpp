#include "exporter/exporter.h"

#include <chrono>

#include "exporter/exposition.h"

namespace exporter {

namespace {

constexpr std::string_view kHtml = "text/html; charset=utf-8";
constexpr std::string_view kPlain = "text/plain; charset=utf-8";

Response Plain(int status, std::string_view text) {
  return {status, kPlain, std::string(text), {}};
}

}  // namespace

void AppendHtml(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out.append("&amp;");
        break;
      case '<':
        out.append("&lt;");
        break;
      case '>':
        out.append("&gt;");
        break;
      case '"':
        out.append("&quot;");
        break;
      case '\'':
        out.append("&#39;");
        break;
      default:
        out.push_back(c);
    }
  }
}

Exporter::Exporter(std::vector<std::unique_ptr<ChipReader>> readers)
    : readers_(std::move(readers)) {}

Response Exporter::Handle(const Request& request) {
  if (request.method != "GET" && request.method != "HEAD") {
    Response r = Plain(405, "This exporter only reads: it answers GET and HEAD.\n");
    r.allow = "GET, HEAD";
    return r;
  }
  if (request.path == "/metrics") {
    const NegotiatedFormat negotiated = Negotiate(request.accept);
    return {200, negotiated.content_type, Metrics(negotiated.format), {}};
  }
  if (request.path == "/") return {200, kHtml, LandingPage(), {}};
  return Plain(404, "Not found: this exporter serves /metrics and /.\n");
}

std::string Exporter::Metrics(Format format) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<ChipReading> readings(readers_.size());
  std::vector<ChipView> views;
  views.reserve(readers_.size());
  for (std::size_t i = 0; i < readers_.size(); ++i) {
    readers_[i]->Read(readings[i]);
    views.push_back({&readers_[i]->labels(), &readings[i]});
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::string out;
  out.reserve(4096 + 4096 * readers_.size());
  AppendExposition(out, format, views, took.count());
  return out;
}

std::string Exporter::LandingPage() const {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head><meta charset=\"utf-8\">"
      "<title>KELVRAN exporter</title></head>\n<body>\n<h1>KELVRAN exporter</h1>\n"
      "<p><a href=\"/metrics\">Metrics</a> for Prometheus. The chips served:</p>\n"
      "<table>\n<tr><th>chip</th><th>medium</th><th>adapter</th><th>address</th>"
      "<th>last reading</th></tr>\n";
  for (const std::unique_ptr<ChipReader>& reader : readers_) {
    const ChipLabels& l = reader->labels();
    const ChipReader::State state = reader->LastState();
    out.append("<tr>");
    const std::string& adapter = state.adapter.empty() ? l.adapter : state.adapter;
    for (const std::string* cell : {&l.chip, &l.medium, &adapter, &l.address}) {
      out.append("<td>");
      AppendHtml(out, *cell);
      out.append("</td>");
    }
    out.append("<td>");
    if (state.readings == 0) {
      out.append("none yet");
    } else if (state.up) {
      out.append("up");
    } else {
      // Why stays on the exporter's standard error: its text names device paths.
      out.append("down");
    }
    out.append("</td></tr>\n");
  }
  out.append("</table>\n</body>\n</html>\n");
  return out;
}

}  // namespace exporter
