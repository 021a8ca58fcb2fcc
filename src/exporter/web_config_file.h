#pragma once

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "exporter/web_config.h"

namespace exporter {

class TlsCredentials;

// A web configuration in force: the file's settings and, with TLS, the certificates it names.
struct LoadedWebConfig {
  WebConfig config;
  std::shared_ptr<TlsCredentials> tls;
};

// The file given to `kelvran serve --web-config`. It is read again when it, or a certificate, key
// or CA file it names, changes (another inode, size or modification time), so a renewed
// certificate is served without a restart. A version that cannot be used leaves the one in force
// and is reported once through warn; so is a change that only a restart can apply (TLS switched
// on or off, other TLS versions).
class WebConfigFile {
 public:
  using Warn = std::function<void(const std::string& line)>;

  // Throws std::runtime_error "FILE: what is wrong" when the file cannot be used.
  WebConfigFile(std::string path, Warn warn);
  ~WebConfigFile();

  // Cheap when nothing changed: a stat of each file.
  std::shared_ptr<const LoadedWebConfig> Current();
  const std::string& path() const { return path_; }

 private:
  struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    long long modified_ns = 0;
    bool operator==(const Stamp&) const = default;
  };
  std::vector<Stamp> StampsOf(const WebConfig& config) const;
  std::shared_ptr<const LoadedWebConfig> Load() const;

  std::string path_;
  Warn warn_;
  std::mutex mutex_;
  std::shared_ptr<const LoadedWebConfig> current_;
  std::vector<Stamp> stamps_;   // of the files the version in force was read from
  std::vector<Stamp> refused_;  // of a version already reported as unusable
};

}  // namespace exporter
