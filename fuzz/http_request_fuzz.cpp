// What a scraper or anyone on the network sends the exporter: method, path and Accept header, one
// per input line, then a --listen value and an Authorization header. Every request gets one of
// the exporter's own answers with nothing of the request in it; label values come out escaped
// and valid UTF-8; only the one right user name and password pass.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "exporter/exporter.h"
#include "exporter/exposition.h"
#include "exporter/listen_address.h"
#include "exporter/password_check.h"

namespace {

// Escaped as the formats want: no raw line feed, every quote and backslash escaped, UTF-8 whole.
bool WellEscaped(const std::string& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '\n' || c == '"') return false;
    if (c == '\\') {
      if (i + 1 >= s.size()) return false;
      const char next = s[++i];
      if (next != '\\' && next != '"' && next != 'n') return false;
      continue;
    }
    if (c < 0x80) continue;
    std::size_t n = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n - 1;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  lines.resize(5);

  static exporter::Exporter server{{}};
  static const std::string not_found = server.Handle({"GET", "/x", ""}).body;
  static const std::string not_allowed = server.Handle({"PUT", "/", ""}).body;
  const exporter::Response r = server.Handle({lines[0], lines[1], lines[2]});
  if (r.status == 404 && r.body != not_found) std::abort();
  if (r.status == 405 && r.body != not_allowed) std::abort();
  if (r.status != 200 && r.status != 404 && r.status != 405) std::abort();
  const exporter::NegotiatedFormat f = exporter::Negotiate(lines[2]);
  if (f.content_type.empty()) std::abort();
  if ((f.format == exporter::Format::OpenMetrics) !=
      (f.content_type.find("openmetrics") != std::string_view::npos)) {
    std::abort();
  }

  const exporter::ParsedListen listen = exporter::ParseListenAddress(lines[3]);
  if (listen.ok()) {
    const exporter::ParsedListen again = exporter::ParseListenAddress(listen.address.text);
    if (!again.ok() || again.address.text != listen.address.text) std::abort();
  }

  // "secret" at bcrypt's lowest cost, so a run tries many.
  static const exporter::NamedTexts users = {
      {"prom", "$2b$04$abcdefghijklmnopqrstuu2r9OfJnfCsdneAXAGHnS4UpFFP8WIrW"}};
  static exporter::PasswordCheck passwords;
  if (const auto given = exporter::ParseBasicAuth(lines[4])) {
    const bool right = given->user == "prom" && given->password == "secret";
    if (passwords.Right(users, given->user, given->password) != right) std::abort();
  }

  std::string escaped;
  exporter::AppendLabelValue(escaped, text);
  if (!WellEscaped(escaped)) std::abort();
  return 0;
}
