#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The exporter ecosystem's web configuration file: TLS, client certificates, passwords and extra
// response headers, with the keys every Prometheus exporter reads, so a lab configures them alike.
namespace exporter {

enum class ClientAuth {
  NoClientCert,
  RequestClientCert,
  RequireAnyClientCert,
  VerifyClientCertIfGiven,
  RequireAndVerifyClientCert,
};

enum class TlsVersion { Tls12, Tls13 };

struct TlsServerConfig {
  std::string cert_file;  // as written, relative ones resolved against the file's own folder
  std::string key_file;
  std::string client_ca_file;  // empty: none
  ClientAuth client_auth = ClientAuth::NoClientCert;
  TlsVersion min_version = TlsVersion::Tls12;
  TlsVersion max_version = TlsVersion::Tls13;

  bool operator==(const TlsServerConfig&) const = default;
};

using NamedTexts = std::vector<std::pair<std::string, std::string>>;

struct WebConfig {
  std::optional<TlsServerConfig> tls;
  NamedTexts users;    // user name, bcrypt hash ($2a$, $2b$ or $2y$)
  NamedTexts headers;  // added to every response
};

struct ParsedWebConfig {
  WebConfig config;
  std::string error;  // "line 3: tls_server_config.min_version: ..."; empty when understood
  bool ok() const { return error.empty(); }
};

// The file's text; folder is where its relative file names lead. An empty file is a valid one
// that asks for nothing.
ParsedWebConfig ParseWebConfig(std::string_view yaml, std::string_view folder);

}  // namespace exporter
