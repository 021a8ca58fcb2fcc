// The web configuration file given to `kelvran serve --web-config`. Any text is either refused
// with a message or read into settings that keep their promises: file names absolute, hashes
// bcrypt's, header values on one line, TLS versions in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "exporter/web_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const exporter::ParsedWebConfig parsed = exporter::ParseWebConfig(text, "/etc/kelvran");
  if (!parsed.ok()) return 0;
  const exporter::WebConfig& c = parsed.config;
  if (c.tls) {
    for (const std::string* file : {&c.tls->cert_file, &c.tls->key_file}) {
      if (file->empty() || file->front() != '/') std::abort();
    }
    if (c.tls->max_version < c.tls->min_version) std::abort();
  }
  for (const auto& [user, hash] : c.users) {
    if (user.find(':') != std::string::npos || hash.size() != 60 || !hash.starts_with("$2")) {
      std::abort();
    }
  }
  for (const auto& [name, value] : c.headers) {
    if (name.empty() || value.find_first_of("\r\n") != std::string::npos) std::abort();
  }
  return 0;
}
