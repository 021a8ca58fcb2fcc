#include "exporter/web_config_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "exporter/tls_credentials.h"

namespace exporter {

namespace {

std::string ReadWhole(const std::string& path, const std::string& what) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  if (!in || in.bad()) {
    throw std::runtime_error(what + " " + path + " cannot be read: " + std::strerror(errno));
  }
  return text.str();
}

std::string Folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

WebConfigFile::WebConfigFile(std::string path, Warn warn)
    : path_(std::move(path)), warn_(std::move(warn)) {
  current_ = Load();
  stamps_ = StampsOf(current_->config);
}

WebConfigFile::~WebConfigFile() = default;

std::vector<WebConfigFile::Stamp> WebConfigFile::StampsOf(const WebConfig& config) const {
  std::vector<std::string> files{path_};
  if (config.tls) {
    files.insert(files.end(),
                 {config.tls->cert_file, config.tls->key_file, config.tls->client_ca_file});
  }
  std::vector<Stamp> stamps;
  for (const std::string& file : files) {
    struct stat s {};
    Stamp stamp;
    if (!file.empty() && ::stat(file.c_str(), &s) == 0) {
      stamp = {s.st_dev, s.st_ino, s.st_size,
               static_cast<long long>(s.st_mtim.tv_sec) * 1000000000LL + s.st_mtim.tv_nsec};
    }
    stamps.push_back(stamp);
  }
  return stamps;
}

std::shared_ptr<const LoadedWebConfig> WebConfigFile::Load() const {
  try {
    const ParsedWebConfig parsed = ParseWebConfig(ReadWhole(path_, "the file"), Folder(path_));
    if (!parsed.ok()) throw std::runtime_error(parsed.error);
    auto loaded = std::make_shared<LoadedWebConfig>();
    loaded->config = parsed.config;
    if (const auto& tls = loaded->config.tls) {
      const std::string cert = ReadWhole(tls->cert_file, "cert_file");
      std::string key = ReadWhole(tls->key_file, "key_file");
      const std::string ca =
          tls->client_ca_file.empty() ? "" : ReadWhole(tls->client_ca_file, "client_ca_file");
      try {
        loaded->tls = std::make_shared<TlsCredentials>(cert, key, ca);
      } catch (...) {
        std::fill(key.begin(), key.end(), '\0');
        throw;
      }
      std::fill(key.begin(), key.end(), '\0');  // the key stays in GnuTLS's hands only
    }
    return loaded;
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(path_ + ": " + e.what());
  }
}

std::shared_ptr<const LoadedWebConfig> WebConfigFile::Current() {
  const std::scoped_lock lock(mutex_);
  const std::vector<Stamp> now = StampsOf(current_->config);
  if (now == stamps_ || now == refused_) return current_;
  try {
    std::shared_ptr<const LoadedWebConfig> next = Load();
    const auto& was = current_->config.tls;
    const auto& is = next->config.tls;
    if (was.has_value() != is.has_value()) {
      throw std::runtime_error(path_ + ": switching between HTTP and HTTPS needs a restart");
    }
    if (is && (is->min_version != was->min_version || is->max_version != was->max_version)) {
      throw std::runtime_error(path_ + ": other TLS versions need a restart");
    }
    stamps_ = StampsOf(next->config);
    current_ = std::move(next);
    refused_.clear();
    warn_("read " + path_ + " again: its new version is in force");
  } catch (const std::runtime_error& e) {
    refused_ = now;
    warn_(std::string(e.what()) + "; the version read before stays in force");
  }
  return current_;
}

}  // namespace exporter
