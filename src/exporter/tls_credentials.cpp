#include "exporter/tls_credentials.h"

#include <array>
#include <stdexcept>

namespace exporter {

namespace {

gnutls_datum_t Datum(const std::string& text) {
  return {reinterpret_cast<unsigned char*>(const_cast<char*>(text.data())),
          static_cast<unsigned>(text.size())};
}

void Check(int result, const std::string& what) {
  if (result >= 0) return;
  std::string why = gnutls_strerror(result);
  if (why.ends_with('.')) why.pop_back();
  throw std::runtime_error(what + " (" + why + ")");
}

std::array<unsigned char, 64> KeyId(gnutls_pubkey_t key, std::size_t& size) {
  std::array<unsigned char, 64> id{};
  size = id.size();
  Check(gnutls_pubkey_get_key_id(key, GNUTLS_KEYID_USE_SHA256, id.data(), &size),
        "the key cannot be read");
  return id;
}

}  // namespace

TlsCredentials::TlsCredentials(const std::string& cert_pem, const std::string& key_pem,
                               const std::string& ca_pem) {
  try {
    unsigned count = 16;  // a chain longer than this is not one a lab makes
    chain_.resize(count);
    const gnutls_datum_t cert = Datum(cert_pem);
    Check(gnutls_pcert_list_import_x509_raw(chain_.data(), &count, &cert, GNUTLS_X509_FMT_PEM,
                                            GNUTLS_X509_CRT_LIST_FAIL_IF_UNSORTED),
          "cert_file holds no certificate chain");
    chain_.resize(count);
    if (chain_.empty()) throw std::runtime_error("cert_file holds no certificate");

    Check(gnutls_privkey_init(&key_), "out of memory");
    const gnutls_datum_t key = Datum(key_pem);
    Check(gnutls_privkey_import_x509_raw(key_, &key, GNUTLS_X509_FMT_PEM, nullptr, 0),
          "key_file holds no private key without a password");
    gnutls_pubkey_t public_key = nullptr;
    Check(gnutls_pubkey_init(&public_key), "out of memory");
    const int imported = gnutls_pubkey_import_privkey(public_key, key_, 0, 0);
    std::size_t key_size = 0, cert_size = 0;
    const auto key_id =
        imported < 0 ? decltype(KeyId(public_key, key_size)){} : KeyId(public_key, key_size);
    gnutls_pubkey_deinit(public_key);
    Check(imported, "the key cannot be read");
    const auto cert_id = KeyId(chain_[0].pubkey, cert_size);
    if (key_id != cert_id || key_size != cert_size) {
      throw std::runtime_error("key_file does not hold the key of cert_file's certificate");
    }

    if (!ca_pem.empty()) {
      Check(gnutls_x509_trust_list_init(&trust_, 0), "out of memory");
      const gnutls_datum_t ca = Datum(ca_pem);
      const int added =
          gnutls_x509_trust_list_add_trust_mem(trust_, &ca, nullptr, GNUTLS_X509_FMT_PEM, 0, 0);
      Check(added, "client_ca_file cannot be read");
      if (added == 0) throw std::runtime_error("client_ca_file holds no certificate");
    }
  } catch (...) {
    Release();
    throw;
  }
}

TlsCredentials::~TlsCredentials() {
  Release();
}

void TlsCredentials::Release() {
  for (gnutls_pcert_st& c : chain_) {
    if (c.pubkey != nullptr) gnutls_pcert_deinit(&c);
  }
  chain_.clear();
  if (key_ != nullptr) gnutls_privkey_deinit(key_);
  key_ = nullptr;
  if (trust_ != nullptr) gnutls_x509_trust_list_deinit(trust_, 1);
  trust_ = nullptr;
}

bool TlsCredentials::Verifies(gnutls_session_t session) const {
  unsigned count = 0;
  const gnutls_datum_t* peers = gnutls_certificate_get_peers(session, &count);
  if (trust_ == nullptr || peers == nullptr || count == 0) return false;
  std::vector<gnutls_x509_crt_t> chain;
  bool read = true;
  for (unsigned i = 0; i < count && read; ++i) {
    gnutls_x509_crt_t crt = nullptr;
    read = gnutls_x509_crt_init(&crt) >= 0;
    if (read) {
      chain.push_back(crt);
      read = gnutls_x509_crt_import(crt, &peers[i], GNUTLS_X509_FMT_DER) >= 0;
    }
  }
  unsigned status = 1;
  if (read) {
    gnutls_typed_vdata_st purpose{
        GNUTLS_DT_KEY_PURPOSE_OID,
        reinterpret_cast<unsigned char*>(const_cast<char*>(GNUTLS_KP_TLS_WWW_CLIENT)), 0};
    if (gnutls_x509_trust_list_verify_crt2(trust_, chain.data(), static_cast<unsigned>(count),
                                           &purpose, 1, 0, &status, nullptr) < 0) {
      status = 1;
    }
  }
  for (gnutls_x509_crt_t crt : chain) gnutls_x509_crt_deinit(crt);
  return status == 0;
}

std::string TlsPriorities(TlsVersion min, TlsVersion max) {
  std::string priorities = "NORMAL:-VERS-ALL";
  if (max == TlsVersion::Tls13) priorities += ":+VERS-TLS1.3";
  if (min == TlsVersion::Tls12) priorities += ":+VERS-TLS1.2";
  return priorities;
}

}  // namespace exporter
