#pragma once

#include <gnutls/abstract.h>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>

#include <string>
#include <vector>

#include "exporter/web_config.h"

namespace exporter {

// The server's certificate chain and key, and the CAs that sign client certificates, as GnuTLS
// takes them during a handshake. Made from PEM text and checked whole when made, so a file that
// is half written never reaches a handshake.
class TlsCredentials {
 public:
  // ca_pem may be empty. Throws std::runtime_error saying what is wrong.
  TlsCredentials(const std::string& cert_pem, const std::string& key_pem,
                 const std::string& ca_pem);
  ~TlsCredentials();
  TlsCredentials(const TlsCredentials&) = delete;
  TlsCredentials& operator=(const TlsCredentials&) = delete;

  gnutls_pcert_st* chain() { return chain_.data(); }
  unsigned chain_length() const { return static_cast<unsigned>(chain_.size()); }
  gnutls_privkey_t key() const { return key_; }

  // Whether the certificate the client sent in this session leads to one of the CAs and may
  // authenticate a client.
  bool Verifies(gnutls_session_t session) const;

 private:
  void Release();

  std::vector<gnutls_pcert_st> chain_;
  gnutls_privkey_t key_ = nullptr;
  gnutls_x509_trust_list_t trust_ = nullptr;
};

// A GnuTLS priority string that offers exactly the versions from min to max.
std::string TlsPriorities(TlsVersion min, TlsVersion max);

}  // namespace exporter
