#include "exporter/web_config.h"

#include <gtest/gtest.h>

#include <string>

#include "exporter/password_check.h"

namespace exporter {
namespace {

// "secret" and "other" at bcrypt's lowest cost; the first written as $2y$, as htpasswd writes it.
constexpr const char* kSecret = "$2y$04$abcdefghijklmnopqrstuu2r9OfJnfCsdneAXAGHnS4UpFFP8WIrW";
constexpr const char* kOther = "$2b$04$ABCDEFGHIJKLMNOPQRSTUubdTkc8VfDg3xLFFedNQLivmNw6I3T6K";

TEST(WebConfig, ReadsTheEcosystemsKeysAndRefusesWhatItCannotHonour) {
  const ParsedWebConfig full = ParseWebConfig(std::string(R"(
tls_server_config:
  cert_file: server.pem
  key_file: /etc/kelvran/server.key
  client_ca_file: ca.pem
  client_auth_type: RequireAndVerifyClientCert
  min_version: TLS13
basic_auth_users:
  prometheus: ')") + kSecret + R"('
http_server_config:
  http2: false
  headers:
    Strict-Transport-Security: max-age=31536000
)",
                                              "/srv/web");
  ASSERT_TRUE(full.ok()) << full.error;
  const TlsServerConfig& tls = *full.config.tls;
  EXPECT_EQ(tls.cert_file, "/srv/web/server.pem");
  EXPECT_EQ(tls.key_file, "/etc/kelvran/server.key");
  EXPECT_EQ(tls.client_auth, ClientAuth::RequireAndVerifyClientCert);
  EXPECT_EQ(tls.min_version, TlsVersion::Tls13);
  EXPECT_EQ(full.config.users, (NamedTexts{{"prometheus", kSecret}}));
  EXPECT_EQ(full.config.headers, (NamedTexts{{"Strict-Transport-Security", "max-age=31536000"}}));
  EXPECT_TRUE(ParseWebConfig("", ".").ok());

  const std::string tls_head = "tls_server_config:\n  cert_file: c\n  key_file: k\n";
  const struct {
    std::string yaml, error;
  } refused[] = {
      {"tls_server_config:\n  cert_fle: c\n",
       "line 2: tls_server_config.cert_fle: unknown key (known here: cert_file"},
      {"basic_auth_user: {}\n", "line 1: basic_auth_user: unknown key"},
      {tls_head + "  cipher_suites: [x]\n", "cipher_suites: is not supported"},
      {tls_head + "  min_version: TLS11\n", "min_version: TLS11 is refused"},
      {tls_head + "  min_version: TLS13\n  max_version: TLS12\n", "max_version is below"},
      {tls_head + "  client_auth_type: VerifyClientCertIfGiven\n", "it needs client_ca_file"},
      {tls_head + "  client_ca_file: ca\n", "client_auth_type does not verify"},
      {tls_head + "  client_auth_type: Maybe\n", "'Maybe' is none of NoClientCert"},
      {"tls_server_config:\n  cert_file: c\n", "needs cert_file and key_file"},
      {"basic_auth_users:\n  prom: secret\n", "basic_auth_users.prom: takes a bcrypt hash"},
      {std::string("basic_auth_users:\n  'a:b': '") + kSecret + "'\n", "has no ':'"},
      {"http_server_config:\n  headers:\n    Content-Length: 1\n", "the server's own header"},
      {"http_server_config:\n  headers:\n    X-A: 1\n    X-A: 2\n", "X-A: appears twice"},
      {tls_head + "  key_file: k2\n", "line 4: tls_server_config.key_file: appears twice"},
      {"- a list\n", "the file: takes keys and values"},
      {"tls_server_config: [\n", "not YAML"},
  };
  for (const auto& r : refused) {
    const ParsedWebConfig parsed = ParseWebConfig(r.yaml, ".");
    EXPECT_NE(parsed.error.find(r.error), std::string::npos) << r.yaml << "\n=> " << parsed.error;
  }
}

// The password cache may only ever say yes to the password that bcrypt said yes to, for the hash
// in the file now.
TEST(PasswordCheck, RemembersOnlyRightPasswords) {
  EXPECT_TRUE(BcryptMatches("secret", kSecret));
  EXPECT_FALSE(BcryptMatches("Secret", kSecret));
  PasswordCheck check;
  const NamedTexts users = {{"prom", kSecret}, {"grafana", kOther}};
  for (int twice = 0; twice < 2; ++twice) {
    EXPECT_TRUE(check.Right(users, "prom", "secret"));
    EXPECT_FALSE(check.Right(users, "prom", "secret2"));
    EXPECT_FALSE(check.Right(users, "grafana", "secret"));
    EXPECT_FALSE(check.Right(users, "nobody", "secret"));
  }
  EXPECT_FALSE(check.Right({{"prom", kOther}}, "prom", "secret")) << "the hash changed in the file";

  const struct {
    std::string header, user, password;  // user "-": refused
  } headers[] = {
      {"Basic cHJvbTpzZWNyZXQ=", "prom", "secret"},
      {"basic   cHJvbTpzZWM6cmV0 ", "prom", "sec:ret"},
      {"Basic Og==", "", ""},
      {"Basic cHJvbXNlY3JldA==", "-", ""},  // no colon
      {"Basic cHJvbTpzZWNyZXQ", "-", ""},
      {"Basic cHJv=TpzZWNyZXQ=", "-", ""},
      {"Basic cHJvbTpzZWNyZXQ=cHJv", "-", ""},
      {"Bearer cHJvbTpzZWNyZXQ=", "-", ""},
      {"Basic", "-", ""},
  };
  for (const auto& h : headers) {
    const std::optional<Credentials> c = ParseBasicAuth(h.header);
    EXPECT_EQ(c ? c->user + "/" + c->password : "-/", h.user + "/" + h.password) << h.header;
  }
}

}  // namespace
}  // namespace exporter
