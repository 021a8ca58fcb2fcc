#include "exporter/web_config.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <set>

namespace exporter {

namespace {

struct Failure {
  std::string text;
};

// Where a key sits, for the message that names it.
struct At {
  const YAML::Node& key;
  std::string name;  // "tls_server_config.min_version"
};

[[noreturn]] void Fail(const At& at, std::string_view why) {
  const YAML::Mark mark = at.key.Mark();
  throw Failure{(mark.is_null() ? "" : "line " + std::to_string(mark.line + 1) + ": ") +
                (at.name.empty() ? "the file" : at.name) + ": " + std::string(why)};
}

std::string Text(const YAML::Node& value, const At& at) {
  if (!value.IsScalar() || value.Scalar().empty()) Fail(at, "takes a text");
  return value.Scalar();
}

template <typename T, std::size_t N>
T OneOf(const YAML::Node& value, const At& at,
        const std::array<std::pair<std::string_view, T>, N>& names) {
  const std::string text = Text(value, at);
  for (const auto& [name, result] : names) {
    if (name == text) return result;
  }
  std::string known;
  for (const auto& [name, result] : names) known += (known.empty() ? "" : ", ") + std::string(name);
  Fail(at, "'" + text + "' is none of " + known);
}

struct Key {
  std::string_view name;
  std::function<void(const YAML::Node& value, const At& at)> read;
};

// Keys the ecosystem has that this exporter does not serve: refused by name rather than ignored,
// so nobody believes a setting is in force that is not.
constexpr std::array kUnsupported = {"cert",
                                     "key",
                                     "client_allowed_sans",
                                     "cipher_suites",
                                     "curve_preferences",
                                     "prefer_server_cipher_suites"};

// Hands every key of a mapping to its reader: each key once, and only known ones.
void Walk(const YAML::Node& map, const At& at, std::initializer_list<Key> keys) {
  if (map.IsNull()) return;
  if (!map.IsMap()) Fail(at, "takes keys and values");
  std::set<std::string> seen;
  for (const auto& entry : map) {
    const std::string name = entry.first.IsScalar() ? entry.first.Scalar() : "?";
    const At inner{entry.first, at.name.empty() ? name : at.name + "." + name};
    if (!seen.insert(name).second) Fail(inner, "appears twice");
    const auto key =
        std::find_if(keys.begin(), keys.end(), [&](const Key& k) { return k.name == name; });
    if (key != keys.end()) {
      key->read(entry.second, inner);
      continue;
    }
    if (std::find(kUnsupported.begin(), kUnsupported.end(), name) != kUnsupported.end()) {
      Fail(inner, "is not supported by kelvran serve");
    }
    std::string known;
    for (const Key& k : keys) known += (known.empty() ? "" : ", ") + std::string(k.name);
    Fail(inner, "unknown key (known here: " + known + ")");
  }
}

// "$2b$10$" and 53 characters of salt and hash in bcrypt's alphabet, cost 4 to 31.
bool IsBcrypt(std::string_view hash) {
  if (hash.size() != 60 || !hash.starts_with("$2") || hash[3] != '$' || hash[6] != '$')
    return false;
  if (hash[2] != 'a' && hash[2] != 'b' && hash[2] != 'y') return false;
  const int cost = (hash[4] - '0') * 10 + (hash[5] - '0');
  if (hash[4] < '0' || hash[4] > '3' || hash[5] < '0' || hash[5] > '9' || cost < 4 || cost > 31) {
    return false;
  }
  return std::all_of(hash.begin() + 7, hash.end(), [](char c) {
    return c == '.' || c == '/' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           (c >= '0' && c <= '9');
  });
}

bool IsToken(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
  });
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);
         });
}

// Headers that carry the exchange itself: a configured one would break it.
constexpr std::array kOwnHeaders = {
    "Content-Type",     "Content-Length", "Transfer-Encoding", "Connection", "Date",
    "WWW-Authenticate", "Allow",          "Keep-Alive",        "Upgrade",    "Content-Encoding"};

constexpr std::array<std::pair<std::string_view, ClientAuth>, 5> kClientAuth = {{
    {"NoClientCert", ClientAuth::NoClientCert},
    {"RequestClientCert", ClientAuth::RequestClientCert},
    {"RequireAnyClientCert", ClientAuth::RequireAnyClientCert},
    {"VerifyClientCertIfGiven", ClientAuth::VerifyClientCertIfGiven},
    {"RequireAndVerifyClientCert", ClientAuth::RequireAndVerifyClientCert},
}};

TlsVersion Version(const YAML::Node& value, const At& at) {
  const std::string text = Text(value, at);
  if (text == "TLS12") return TlsVersion::Tls12;
  if (text == "TLS13") return TlsVersion::Tls13;
  if (text == "TLS10" || text == "TLS11") {
    Fail(at,
         text + " is refused: TLS 1.0 and 1.1 are broken, kelvran serve speaks TLS 1.2 and 1.3");
  }
  Fail(at, "'" + text + "' is none of TLS12, TLS13");
}

TlsServerConfig ReadTls(const YAML::Node& node, const At& at, std::string_view folder) {
  TlsServerConfig tls;
  const auto file = [folder](std::string& into) {
    return [&into, folder](const YAML::Node& v, const At& a) {
      into = Text(v, a);
      if (into.front() != '/') into = std::string(folder) + "/" + into;
    };
  };
  bool min_given = false;
  Walk(node, at,
       {{"cert_file", file(tls.cert_file)},
        {"key_file", file(tls.key_file)},
        {"client_ca_file", file(tls.client_ca_file)},
        {"client_auth_type",
         [&](const YAML::Node& v, const At& a) { tls.client_auth = OneOf(v, a, kClientAuth); }},
        {"min_version",
         [&](const YAML::Node& v, const At& a) {
           tls.min_version = Version(v, a);
           min_given = true;
         }},
        {"max_version",
         [&](const YAML::Node& v, const At& a) { tls.max_version = Version(v, a); }}});
  if (tls.cert_file.empty() || tls.key_file.empty()) Fail(at, "needs cert_file and key_file");
  const bool verifies = tls.client_auth == ClientAuth::VerifyClientCertIfGiven ||
                        tls.client_auth == ClientAuth::RequireAndVerifyClientCert;
  if (verifies && tls.client_ca_file.empty()) {
    Fail(at, "client_auth_type verifies client certificates: it needs client_ca_file");
  }
  if (!verifies && !tls.client_ca_file.empty()) {
    Fail(at,
         "client_ca_file is given but client_auth_type does not verify client certificates "
         "(VerifyClientCertIfGiven or RequireAndVerifyClientCert)");
  }
  if (tls.max_version < tls.min_version) {
    Fail(at, min_given ? "max_version is below min_version"
                       : "max_version is below min_version (TLS12 unless given)");
  }
  return tls;
}

NamedTexts ReadPairs(const YAML::Node& node, const At& at,
                     const std::function<void(const std::string& name, const std::string& value,
                                              const At& at)>& check) {
  NamedTexts pairs;
  if (node.IsNull()) return pairs;
  if (!node.IsMap()) Fail(at, "takes names and values");
  for (const auto& entry : node) {
    const std::string name = entry.first.IsScalar() ? entry.first.Scalar() : "";
    const At inner{entry.first, at.name + "." + name};
    if (std::any_of(pairs.begin(), pairs.end(), [&](const auto& p) { return p.first == name; })) {
      Fail(inner, "appears twice");
    }
    const std::string value = Text(entry.second, inner);
    check(name, value, inner);
    pairs.emplace_back(name, value);
  }
  return pairs;
}

void CheckUser(const std::string& name, const std::string& hash, const At& at) {
  // Basic authentication ends the user name at the first colon.
  if (name.empty() || name.find(':') != std::string::npos) {
    Fail(at, "a user name is not empty and has no ':'");
  }
  if (!IsBcrypt(hash)) {
    Fail(at,
         "takes a bcrypt hash ($2y$, $2b$ or $2a$, 60 characters), as htpasswd -nBC 10 USER "
         "makes");
  }
}

void CheckHeader(const std::string& name, const std::string& value, const At& at) {
  if (!IsToken(name)) Fail(at, "is not a header name");
  for (const char* own : kOwnHeaders) {
    if (SameText(name, own)) Fail(at, "is the server's own header");
  }
  if (value.find_first_of("\r\n", 0, 3) != std::string::npos) {
    Fail(at, "a header value is one line");
  }
}

// Accepted for the ecosystem's sake: the server speaks HTTP/1.1 either way.
void CheckHttp2(const YAML::Node& value, const At& at) {
  bool on = false;
  if (!value.IsScalar() || !YAML::convert<bool>::decode(value, on)) {
    Fail(at, "takes true or false");
  }
}

WebConfig Read(const YAML::Node& root, std::string_view folder) {
  WebConfig c;
  const YAML::Node none;
  const auto http = [&c](const YAML::Node& v, const At& a) {
    Walk(v, a, {{"http2", CheckHttp2}, {"headers", [&c](const YAML::Node& h, const At& at) {
                                          c.headers = ReadPairs(h, at, CheckHeader);
                                        }}});
  };
  Walk(root, At{none, ""},
       {{"tls_server_config",
         [&c, folder](const YAML::Node& v, const At& a) { c.tls = ReadTls(v, a, folder); }},
        {"basic_auth_users",
         [&c](const YAML::Node& v, const At& a) { c.users = ReadPairs(v, a, CheckUser); }},
        {"http_server_config", http}});
  return c;
}

}  // namespace

ParsedWebConfig ParseWebConfig(std::string_view yaml, std::string_view folder) {
  ParsedWebConfig out;
  try {
    out.config = Read(YAML::Load(std::string(yaml)), folder);
  } catch (const Failure& f) {
    out.error = f.text;
  } catch (const YAML::Exception& e) {
    out.error = (e.mark.is_null() ? "" : "line " + std::to_string(e.mark.line + 1) + ": ") +
                "not YAML: " + e.msg;
  }
  return out;
}

}  // namespace exporter
