#include "exporter/web_config.h"

#include <gnutls/gnutls.h>
#include <gnutls/x509.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "exporter/http_client.h"
#include "exporter/http_server.h"
#include "exporter/password_check.h"
#include "exporter/sim_chips.h"
#include "exporter/web_config_file.h"
#include "support/thrown.h"

namespace exporter {
namespace {

namespace fs = std::filesystem;

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

// Keys and certificates made by openssl for this run: a CA with a server certificate for
// 127.0.0.1 (twice, to replace one by the other) and a client certificate, and a client
// certificate from another CA.
struct Pki {
  Pki() {
    dir = fs::path(::testing::TempDir()) / ("kelvran-pki-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string script = R"(set -e
      cd ")" + dir.string() + R"("
      key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1.key"; }
      ca() { key $1; openssl req -x509 -new -key $1.key -subj /CN=$1 -days 2 -out $1.pem; }
      leaf() {  # name ca extensions
        key $1
        openssl req -new -key $1.key -subj /CN=$1 -out $1.csr
        printf '%s\n' "$3" > $1.ext
        openssl x509 -req -in $1.csr -CA $2.pem -CAkey $2.key -CAcreateserial -days 2 \
          -extfile $1.ext -out $1.pem
      }
      ca lab-ca; ca other-ca
      leaf server-a lab-ca subjectAltName=IP:127.0.0.1
      leaf server-b lab-ca subjectAltName=IP:127.0.0.1
      leaf prometheus lab-ca extendedKeyUsage=clientAuth
      leaf stranger other-ca extendedKeyUsage=clientAuth
    )";
    made =
        std::system(("sh -c '" + Quoted(script) + "' >" + (dir / "openssl.log").string() + " 2>&1")
                        .c_str()) == 0;
  }
  ~Pki() { fs::remove_all(dir); }
  static std::string Quoted(const std::string& s) {
    std::string out;
    for (const char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out;
  }
  std::string operator()(const std::string& file) const { return (dir / file).string(); }

  fs::path dir;
  bool made = false;
};

struct TlsClient {
  std::string cert;  // name in the Pki, or empty: no client certificate
  std::string priorities = "NORMAL";
};

struct TlsAnswer {
  bool handshake = false;
  std::string server_cn;  // of the certificate the server showed
  std::string answer;     // what came back for the request
};

// One HTTPS request with GnuTLS, trusting only the lab CA; the answer is read until the server
// closes the connection.
TlsAnswer TlsExchange(const Pki& pki, const std::string& address, const std::string& request,
                      const TlsClient& client = {}) {
  TlsAnswer result;
  gnutls_certificate_credentials_t credentials = nullptr;
  gnutls_certificate_allocate_credentials(&credentials);
  gnutls_certificate_set_x509_trust_file(credentials, pki("lab-ca.pem").c_str(),
                                         GNUTLS_X509_FMT_PEM);
  if (!client.cert.empty()) {
    gnutls_certificate_set_x509_key_file(credentials, pki(client.cert + ".pem").c_str(),
                                         pki(client.cert + ".key").c_str(), GNUTLS_X509_FMT_PEM);
  }
  gnutls_session_t session = nullptr;
  gnutls_init(&session, GNUTLS_CLIENT);
  gnutls_priority_set_direct(session, client.priorities.c_str(), nullptr);
  gnutls_credentials_set(session, GNUTLS_CRD_CERTIFICATE, credentials);
  gnutls_session_set_verify_cert(session, nullptr, 0);
  const int s = Connect(address);
  gnutls_transport_set_int(session, s);
  gnutls_handshake_set_timeout(session, 5000);
  result.handshake = s >= 0 && gnutls_handshake(session) >= 0;
  if (result.handshake) {
    unsigned count = 0;
    const gnutls_datum_t* peers = gnutls_certificate_get_peers(session, &count);
    gnutls_x509_crt_t crt = nullptr;
    gnutls_x509_crt_init(&crt);
    char cn[128] = {};
    std::size_t size = sizeof cn;
    if (count > 0 && gnutls_x509_crt_import(crt, peers, GNUTLS_X509_FMT_DER) >= 0 &&
        gnutls_x509_crt_get_dn_by_oid(crt, GNUTLS_OID_X520_COMMON_NAME, 0, 0, cn, &size) >= 0) {
      result.server_cn = cn;
    }
    gnutls_x509_crt_deinit(crt);
    gnutls_record_send(session, request.data(), request.size());
    char buffer[4096];
    for (ssize_t n; (n = gnutls_record_recv(session, buffer, sizeof buffer)) > 0;) {
      result.answer.append(buffer, static_cast<std::size_t>(n));
    }
  }
  gnutls_deinit(session);
  gnutls_certificate_free_credentials(credentials);
  if (s >= 0) ::close(s);
  return result;
}

std::string Request(const std::string& headers = "") {
  return "GET /metrics HTTP/1.1\r\nHost: t\r\n" + headers + "Connection: close\r\n\r\n";
}

// A served simulated chip behind a web configuration file written by the test.
struct Secured {
  explicit Secured(const Pki& p, const std::string& yaml) : pki(p), file(p("web.yml")) {
    Write(yaml);
    web = std::make_unique<WebConfigFile>(file, [this](const std::string& line) {
      const std::scoped_lock lock(mutex);
      warnings.push_back(line);
    });
    server = std::make_unique<HttpServer>(ParseListenAddress("127.0.0.1:0").address, exporter,
                                          HttpLimits{}, web.get());
  }
  void Write(const std::string& yaml) const { std::ofstream(file) << yaml; }
  TlsAnswer Scrape(const std::string& headers = "", const TlsClient& client = {}) {
    return TlsExchange(pki, server->address(), Request(headers), client);
  }

  const Pki& pki;
  std::string file;
  SimChips sim{kConvertingChip};
  Exporter exporter{sim.TakeReaders()};
  std::mutex mutex;
  std::vector<std::string> warnings;
  std::unique_ptr<WebConfigFile> web;
  std::unique_ptr<HttpServer> server;
};

std::string TlsYaml(const Pki& pki, const std::string& cert, const std::string& more = "") {
  return "tls_server_config:\n  cert_file: " + pki(cert + ".pem") +
         "\n  key_file: " + pki(cert + ".key") + "\n" + more;
}

constexpr const char* kProm = "Authorization: Basic cHJvbTpzZWNyZXQ=\r\n";     // prom:secret
constexpr const char* kNoColon = "Authorization: Basic cHJvbXNlY3JldA==\r\n";  // promsecret

TEST(SecuredServer, HttpsWithPasswordsServesOnlyTheRightOnes) {
  const Pki pki;
  ASSERT_TRUE(pki.made) << "openssl could not make the test's certificates (see "
                        << pki("openssl.log") << ")";
  Secured s(pki, TlsYaml(pki, "server-a",
                         std::string("basic_auth_users:\n  prom: '") + kSecret +
                             "'\nhttp_server_config:\n  headers:\n    "
                             "X-Frame-Options: deny\n"));
  ASSERT_TRUE(s.server->tls());
  for (const char* credentials : {"", kNoColon}) {
    const TlsAnswer refused = s.Scrape(credentials);
    EXPECT_TRUE(refused.handshake);
    EXPECT_EQ(StatusOf(refused.answer), 401) << credentials;
    EXPECT_EQ(HeaderOf(refused.answer, "WWW-Authenticate"), "Basic realm=\"kelvran\"");
    EXPECT_EQ(refused.answer.find("kelvran_up"), std::string::npos);
  }
  const TlsAnswer served = s.Scrape(kProm);
  EXPECT_EQ(StatusOf(served.answer), 200) << served.answer.substr(0, 300);
  EXPECT_NE(served.answer.find("kelvran_up{"), std::string::npos);
  EXPECT_EQ(HeaderOf(served.answer, "X-Frame-Options"), "deny");

  // Plain HTTP gets no metrics, and neither does a client that speaks only TLS 1.1.
  EXPECT_EQ(Exchange(s.server->address(), Request(kProm)).find("kelvran_"), std::string::npos);
  const TlsAnswer old =
      s.Scrape(kProm, {"", "NORMAL:-VERS-ALL:+VERS-TLS1.1:+VERS-TLS1.0:+SHA1:+SIGN-ALL"});
  EXPECT_FALSE(old.handshake);
  EXPECT_EQ(StatusOf(old.answer), 0);
}

TEST(SecuredServer, ClientCertificatesFromTheConfiguredCaOnly) {
  const Pki pki;
  ASSERT_TRUE(pki.made);
  Secured s(pki, TlsYaml(pki, "server-a",
                         "  client_ca_file: " + pki("lab-ca.pem") +
                             "\n  client_auth_type: RequireAndVerifyClientCert\n"));
  EXPECT_EQ(StatusOf(s.Scrape("", {"prometheus"}).answer), 200);
  for (const char* refused : {"", "stranger"}) {
    EXPECT_EQ(StatusOf(s.Scrape("", {refused}).answer), 0) << refused;
  }
  // The same file with another policy: any certificate, checked or not, and none.
  s.Write(TlsYaml(pki, "server-a", "  client_auth_type: RequireAnyClientCert\n"));
  EXPECT_EQ(StatusOf(s.Scrape("", {"stranger"}).answer), 200);
  EXPECT_EQ(StatusOf(s.Scrape("", {""}).answer), 0);
  s.Write(TlsYaml(pki, "server-a",
                  "  client_ca_file: " + pki("lab-ca.pem") +
                      "\n  client_auth_type: VerifyClientCertIfGiven\n"));
  EXPECT_EQ(StatusOf(s.Scrape("", {""}).answer), 200);
  EXPECT_EQ(StatusOf(s.Scrape("", {"stranger"}).answer), 0);
}

// A renewed certificate is served from the next connection; a broken file leaves the last good
// one in force and is reported once.
TEST(SecuredServer, ReadsTheFilesAgainWhenTheyChange) {
  const Pki pki;
  ASSERT_TRUE(pki.made);
  for (const char* part : {"pem", "key"}) {
    fs::copy_file(pki(std::string("server-a.") + part), pki(std::string("live.") + part));
  }
  Secured s(pki, TlsYaml(pki, "live"));
  EXPECT_EQ(s.Scrape().server_cn, "server-a");
  for (const char* part : {"pem", "key"}) {
    fs::copy_file(pki(std::string("server-b.") + part), pki(std::string("next.") + part));
    fs::rename(pki(std::string("next.") + part), pki(std::string("live.") + part));
  }
  EXPECT_EQ(s.Scrape().server_cn, "server-b");

  s.Write(TlsYaml(pki, "live", "  min_versoin: TLS13\n"));
  for (int twice = 0; twice < 2; ++twice) {
    const TlsAnswer a = s.Scrape();
    EXPECT_EQ(a.server_cn, "server-b");
    EXPECT_EQ(StatusOf(a.answer), 200);
  }
  ASSERT_EQ(s.warnings.size(), 2u) << "read again, then refused once";
  EXPECT_NE(s.warnings[0].find("read " + s.file + " again"), std::string::npos) << s.warnings[0];
  EXPECT_NE(s.warnings[1].find(s.file + ": line 4: tls_server_config.min_versoin: unknown key"),
            std::string::npos)
      << s.warnings[1];
  EXPECT_NE(s.warnings[1].find("the version read before stays in force"), std::string::npos);

  std::ofstream(pki("live.pem")) << "-----BEGIN CERTIFICATE-----\nhalf\n";
  s.Write(TlsYaml(pki, "live"));
  EXPECT_EQ(s.Scrape().server_cn, "server-b");
  EXPECT_NE(s.warnings.back().find("cert_file"), std::string::npos) << s.warnings.back();

  // And at start, such a file is refused with its name and the key.
  s.Write(std::string("basic_auth_users:\n  prom: '") + kSecret + "x'\n");
  const std::string refused =
      kelvran_test::MessageOf<std::runtime_error>([&] { WebConfigFile file(s.file, {}); });
  EXPECT_NE(refused.find(s.file + ": line 2: basic_auth_users.prom:"), std::string::npos)
      << refused;
}

// One address that holds every connection it may, or trickles a request, does not keep a scrape
// from another address out; and the page at / tells a chip is down without the error's text.
TEST(SecuredServer, OneClientCannotHoldTheServer) {
  SimChips sim(R"({"smbus": {"chips": [{"address": "0x2D"}]},
                   "faults": [{"medium": "SMB", "op": "R", "error": "NACK"}]})");
  Exporter exporter(sim.TakeReaders());
  HttpLimits limits;
  limits.connections = 4;
  limits.connections_per_address = 2;
  limits.request_seconds = 1;
  HttpServer server(ParseListenAddress("127.0.0.1:0").address, exporter, limits);
  EXPECT_EQ(StatusOf(Exchange(server.address(), Request())), 200);

  std::vector<int> held;
  for (unsigned i = 0; i < limits.connections; ++i)
    held.push_back(Connect(server.address(), "127.0.0.2"));
  char byte = 0;
  EXPECT_EQ(::recv(held.back(), &byte, 1, 0), 0) << "a connection past the address's limit closes";
  const std::string page = Exchange(
      server.address(), "GET / HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n", "127.0.0.3");
  EXPECT_EQ(StatusOf(page), 200);
  EXPECT_NE(page.find("<td>down</td>"), std::string::npos) << page;
  const std::string error = exporter.reader(0).LastState().error;
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(page.find(error), std::string::npos);

  // A request trickled a header at a time is cut at its deadline, idle or not.
  const int slow = held.front();
  ::send(slow, "GET / HTTP/1.1\r\nHost: t\r\n", 25, MSG_NOSIGNAL);
  bool cut = false;
  for (int i = 0; i < 20 && !cut; ++i) {
    ::usleep(250000);
    cut = ::send(slow, "X: y\r\n", 6, MSG_NOSIGNAL) < 0;
  }
  EXPECT_TRUE(cut);
  for (const int s : held) ::close(s);
}

}  // namespace
}  // namespace exporter
