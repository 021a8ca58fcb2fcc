#include "exporter/http_server.h"

#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace exporter {

namespace {

MHD_Result Queue(MHD_Connection* connection, const Response& r) {
  MHD_Response* response = MHD_create_response_from_buffer(
      r.body.size(), const_cast<char*>(r.body.data()), MHD_RESPMEM_MUST_COPY);
  if (response == nullptr) return MHD_NO;
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                          std::string(r.content_type).c_str());
  MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
  if (!r.allow.empty()) MHD_add_response_header(response, "Allow", std::string(r.allow).c_str());
  const MHD_Result queued =
      MHD_queue_response(connection, static_cast<unsigned>(r.status), response);
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

MHD_Result Answer(void* cls, MHD_Connection* connection, const char* url, const char* method,
                  const char* /*version*/, const char* /*upload_data*/,
                  std::size_t* upload_data_size, void** request_state) {
  auto& exporter = *static_cast<Exporter*>(cls);
  const std::string_view m = method;
  const bool reads = m == MHD_HTTP_METHOD_GET || m == MHD_HTTP_METHOD_HEAD;
  try {
    if (*request_state == nullptr) {
      // An answer queued now ends the connection after it, so a scraper's request waits for the
      // second call and keeps its connection; anything else is answered at once and closed.
      if (!reads) return Queue(connection, exporter.Handle({method, url, ""}));
      if (HasBody(connection)) {
        return Queue(connection,
                     {400, "text/plain; charset=utf-8", "A GET or HEAD carries no body.\n", {}});
      }
      static int reading = 0;
      *request_state = &reading;
      return MHD_YES;
    }
    if (*upload_data_size != 0) return MHD_NO;  // a body after all: drop the connection
    const char* accept =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_ACCEPT);
    return Queue(connection, exporter.Handle({method, url, accept != nullptr ? accept : ""}));
  } catch (const std::exception& e) {
    // Out of memory, most likely; the server itself goes on.
    return Queue(connection, {500, "text/plain; charset=utf-8", "The exporter failed.\n", {}});
  }
}

[[noreturn]] void CannotListen(const ListenAddress& address, int error) {
  std::string why = std::strerror(error);
  if (error == EADDRINUSE) why += ": another program listens there; choose another --listen";
  if (error == EADDRNOTAVAIL) why += ": this computer has no such address";
  if (error == EACCES) why += ": ports below 1024 need privileges";
  throw std::runtime_error("cannot listen on " + address.text + ": " + why);
}

}  // namespace

HttpServer::HttpServer(const ListenAddress& address, Exporter& exporter, HttpLimits limits) {
  socket_ = ::socket(address.address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket_ < 0) CannotListen(address, errno);
  const int on = 1;
  ::setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(socket_, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0 ||
      ::listen(socket_, 128) != 0) {
    const int error = errno;
    ::close(socket_);
    CannotListen(address, error);
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &length);
  address_ = AddressText(bound);

  unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL;
  if (address.address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
  daemon_ = MHD_start_daemon(flags, 0, nullptr, nullptr, &Answer, &exporter,
                             MHD_OPTION_LISTEN_SOCKET, socket_, MHD_OPTION_THREAD_POOL_SIZE,
                             limits.threads, MHD_OPTION_CONNECTION_LIMIT, limits.connections,
                             MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits.request_bytes,
                             MHD_OPTION_CONNECTION_TIMEOUT, limits.idle_seconds,
                             // A request HTTP/1.1 calls malformed (no Host, spaces in the path)
                             // gets 400: a scraper never sends one.
                             MHD_OPTION_STRICT_FOR_CLIENT, 1, MHD_OPTION_END);
  if (daemon_ == nullptr) {
    ::close(socket_);
    throw std::runtime_error("cannot start the HTTP server on " + address_);
  }
}

HttpServer::~HttpServer() {
  // The library closes the listening socket it was handed.
  MHD_stop_daemon(daemon_);
}

}  // namespace exporter
