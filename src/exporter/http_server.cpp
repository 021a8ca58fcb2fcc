#include "exporter/http_server.h"

#include <gnutls/gnutls.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "exporter/connection_deadline.h"
#include "exporter/password_check.h"
#include "exporter/tls_credentials.h"
#include "exporter/web_config_file.h"

namespace exporter {

struct HttpServer::Impl {
  Impl(Exporter& e, WebConfigFile* w, unsigned request_seconds)
      : exporter(e), web(w), deadline(request_seconds) {}

  Exporter& exporter;
  WebConfigFile* web;
  PasswordCheck passwords;
  ConnectionDeadline deadline;
  std::string priorities;
  std::string address;
  int socket = -1;
  MHD_Daemon* daemon = nullptr;
};

namespace {

// What a connection carries from its start to its end.
struct ConnectionState {
  HttpServer::Impl* server;
  ConnectionDeadline::Entry deadline;
  // What its TLS handshake was given, kept while the handshake may still use it.
  std::shared_ptr<const LoadedWebConfig> handshake;
};

// What a request carries from its first call to its answer.
struct RequestState {
  std::shared_ptr<const LoadedWebConfig> web;
};

constexpr std::string_view kPlain = "text/plain; charset=utf-8";

MHD_Result Queue(MHD_Connection* connection, const Response& r, const LoadedWebConfig* web,
                 bool unauthorised = false) {
  MHD_Response* response = MHD_create_response_from_buffer(
      r.body.size(), const_cast<char*>(r.body.data()), MHD_RESPMEM_MUST_COPY);
  if (response == nullptr) return MHD_NO;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                          std::string(r.content_type).c_str());
  MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
  if (!r.allow.empty()) MHD_add_response_header(response, "Allow", std::string(r.allow).c_str());
  if (web != nullptr) {
    for (const auto& [name, value] : web->config.headers) {
      MHD_add_response_header(response, name.c_str(), value.c_str());
    }
  }
  const MHD_Result queued =
      unauthorised ? MHD_queue_basic_auth_fail_response(connection, "kelvran", response)
                   : MHD_queue_response(connection, static_cast<unsigned>(r.status), response);
  MHD_destroy_response(response);
  return queued;
}

bool HasBody(MHD_Connection* connection) {
  const char* length =
      MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
  const char* encoding =
      MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_TRANSFER_ENCODING);
  return encoding != nullptr || (length != nullptr && std::strcmp(length, "0") != 0);
}

bool Authorised(HttpServer::Impl& server, MHD_Connection* connection, const WebConfig& web) {
  if (web.users.empty()) return true;
  const char* header =
      MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_AUTHORIZATION);
  const std::optional<Credentials> given = ParseBasicAuth(header != nullptr ? header : "");
  return given && server.passwords.Right(web.users, given->user, given->password);
}

MHD_Result Answer(void* cls, MHD_Connection* connection, const char* url, const char* method,
                  const char* /*version*/, const char* /*upload_data*/,
                  std::size_t* upload_data_size, void** request_state) {
  auto& server = *static_cast<HttpServer::Impl*>(cls);
  const std::string_view m = method;
  const bool reads = m == MHD_HTTP_METHOD_GET || m == MHD_HTTP_METHOD_HEAD;
  try {
    if (*request_state == nullptr) {
      auto state = std::make_unique<RequestState>();
      if (server.web != nullptr) state->web = server.web->Current();
      const LoadedWebConfig* web = state->web.get();
      if (web != nullptr && !Authorised(server, connection, web->config)) {
        return Queue(connection,
                     {401, kPlain, "This exporter needs a user name and password.\n", {}}, web,
                     true);
      }
      // An answer queued now ends the connection after it, so a scraper's request waits for the
      // second call and keeps its connection; anything else is answered at once and closed.
      if (!reads) return Queue(connection, server.exporter.Handle({method, url, ""}), web);
      if (HasBody(connection)) {
        return Queue(connection, {400, kPlain, "A GET or HEAD carries no body.\n", {}}, web);
      }
      *request_state = state.release();
      return MHD_YES;
    }
    const LoadedWebConfig* web = static_cast<RequestState*>(*request_state)->web.get();
    if (*upload_data_size != 0) return MHD_NO;  // a body after all: drop the connection
    const char* accept =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_ACCEPT);
    return Queue(connection, server.exporter.Handle({method, url, accept != nullptr ? accept : ""}),
                 web);
  } catch (const std::exception& e) {
    // Out of memory, most likely; the server itself goes on.
    return Queue(connection, {500, kPlain, "The exporter failed.\n", {}}, nullptr);
  }
}

void RequestDone(void* cls, MHD_Connection* connection, void** request_state,
                 MHD_RequestTerminationCode /*why*/) {
  delete static_cast<RequestState*>(*request_state);
  *request_state = nullptr;
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  if (info != nullptr && info->socket_context != nullptr) {
    static_cast<HttpServer::Impl*>(cls)->deadline.Restart(
        static_cast<ConnectionState*>(info->socket_context)->deadline);
  }
}

void ConnectionChanged(void* cls, MHD_Connection* connection, void** socket_context,
                       MHD_ConnectionNotificationCode code) {
  auto& server = *static_cast<HttpServer::Impl*>(cls);
  if (code == MHD_CONNECTION_NOTIFY_STARTED) {
    const MHD_ConnectionInfo* fd =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    auto* state = new ConnectionState{&server, {}, {}};
    server.deadline.Add(state->deadline, fd != nullptr ? fd->connect_fd : -1);
    *socket_context = state;
  } else if (*socket_context != nullptr) {
    auto* state = static_cast<ConnectionState*>(*socket_context);
    server.deadline.Remove(state->deadline);
    delete state;
    *socket_context = nullptr;
  }
}

// The connection a TLS session belongs to: the HTTP library keeps it as the session's pointer.
ConnectionState* StateOf(gnutls_session_t session) {
  auto* connection = static_cast<MHD_Connection*>(gnutls_session_get_ptr(session));
  if (connection == nullptr) return nullptr;
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  return info != nullptr ? static_cast<ConnectionState*>(info->socket_context) : nullptr;
}

int VerifyClient(gnutls_session_t session) {
  const ConnectionState* state = StateOf(session);
  if (state == nullptr || !state->handshake) return GNUTLS_E_CERTIFICATE_ERROR;
  const ClientAuth auth = state->handshake->config.tls->client_auth;
  unsigned sent = 0;
  gnutls_certificate_get_peers(session, &sent);
  const bool verify = auth == ClientAuth::RequireAndVerifyClientCert ||
                      (auth == ClientAuth::VerifyClientCertIfGiven && sent > 0);
  return !verify || state->handshake->tls->Verifies(session) ? 0 : GNUTLS_E_CERTIFICATE_ERROR;
}

// Each handshake takes the certificate in force now, and asks for a client certificate as the
// configuration in force says: the library itself would only ask, never require or check.
int CertificateFor(gnutls_session_t session, const gnutls_datum_t* /*ca_names*/, int /*count*/,
                   const gnutls_pk_algorithm_t* /*algorithms*/, int /*algorithm_count*/,
                   gnutls_pcert_st** chain, unsigned int* chain_length, gnutls_privkey_t* key) {
  ConnectionState* state = StateOf(session);
  if (state == nullptr) return -1;
  state->handshake = state->server->web->Current();
  const LoadedWebConfig& web = *state->handshake;
  if (!web.tls) return -1;
  *chain = web.tls->chain();
  *chain_length = web.tls->chain_length();
  *key = web.tls->key();
  switch (web.config.tls->client_auth) {
    case ClientAuth::NoClientCert:
      break;
    case ClientAuth::RequestClientCert:
    case ClientAuth::VerifyClientCertIfGiven:
      gnutls_certificate_server_set_request(session, GNUTLS_CERT_REQUEST);
      break;
    case ClientAuth::RequireAnyClientCert:
    case ClientAuth::RequireAndVerifyClientCert:
      gnutls_certificate_server_set_request(session, GNUTLS_CERT_REQUIRE);
      break;
  }
  gnutls_session_set_verify_function(session, &VerifyClient);
  return 0;
}

[[noreturn]] void CannotListen(const ListenAddress& address, int error) {
  std::string why = std::strerror(error);
  if (error == EADDRINUSE) why += ": another program listens there; choose another --listen";
  if (error == EADDRNOTAVAIL) why += ": this computer has no such address";
  if (error == EACCES) why += ": ports below 1024 need privileges";
  throw std::runtime_error("cannot listen on " + address.text + ": " + why);
}

}  // namespace

HttpServer::HttpServer(const ListenAddress& address, Exporter& exporter, HttpLimits limits,
                       WebConfigFile* web)
    : impl_(std::make_unique<Impl>(exporter, web, limits.request_seconds)) {
  Impl& s = *impl_;
  s.socket = ::socket(address.address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s.socket < 0) CannotListen(address, errno);
  const int on = 1;
  ::setsockopt(s.socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(s.socket, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0 ||
      ::listen(s.socket, 128) != 0) {
    const int error = errno;
    ::close(s.socket);
    CannotListen(address, error);
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(s.socket, reinterpret_cast<sockaddr*>(&bound), &length);
  s.address = AddressText(bound);

  unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL;
  if (address.address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
  const auto number = [](std::size_t n) { return static_cast<intptr_t>(n); };
  std::vector<MHD_OptionItem> options = {
      {MHD_OPTION_LISTEN_SOCKET, s.socket, nullptr},
      {MHD_OPTION_THREAD_POOL_SIZE, number(limits.threads), nullptr},
      {MHD_OPTION_CONNECTION_LIMIT, number(limits.connections), nullptr},
      {MHD_OPTION_PER_IP_CONNECTION_LIMIT, number(limits.connections_per_address), nullptr},
      {MHD_OPTION_CONNECTION_MEMORY_LIMIT, number(limits.request_bytes), nullptr},
      {MHD_OPTION_CONNECTION_TIMEOUT, number(limits.idle_seconds), nullptr},
      // A request HTTP/1.1 calls malformed (no Host, spaces in the path) gets 400: a scraper
      // never sends one.
      {MHD_OPTION_STRICT_FOR_CLIENT, 1, nullptr},
      {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&ConnectionChanged), &s},
      {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&RequestDone), &s},
  };
  const std::shared_ptr<const LoadedWebConfig> config = web ? web->Current() : nullptr;
  if (config && config->config.tls) {
    flags |= MHD_USE_TLS;
    s.priorities = TlsPriorities(config->config.tls->min_version, config->config.tls->max_version);
    options.push_back({MHD_OPTION_HTTPS_PRIORITIES, 0, s.priorities.data()});
    options.push_back(
        {MHD_OPTION_HTTPS_CERT_CALLBACK, 0, reinterpret_cast<void*>(&CertificateFor)});
  }
  options.push_back({MHD_OPTION_END, 0, nullptr});
  s.daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &Answer, &s, MHD_OPTION_ARRAY,
                              options.data(), MHD_OPTION_END);
  if (s.daemon == nullptr) {
    ::close(s.socket);
    throw std::runtime_error("cannot start the HTTP server on " + s.address);
  }
}

HttpServer::~HttpServer() {
  // The library closes the listening socket it was handed, and every connection.
  MHD_stop_daemon(impl_->daemon);
}

const std::string& HttpServer::address() const {
  return impl_->address;
}

bool HttpServer::tls() const {
  return !impl_->priorities.empty();
}

}  // namespace exporter
