#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "exporter/exporter.h"
#include "exporter/listen_address.h"

namespace exporter {

class WebConfigFile;

// Bounds that keep a misbehaving client from holding the server: connections at once and from
// one client address, the bytes of one request's line and headers, how long a connection may sit
// idle, and how long one request may take from the moment its connection is free to send it to
// its answer (a client that trickles bytes never sits idle, so the idle bound alone cannot stop
// it).
struct HttpLimits {
  unsigned connections = 64;
  unsigned connections_per_address = 8;
  std::size_t request_bytes = 16 * 1024;
  unsigned idle_seconds = 10;
  unsigned request_seconds = 15;
  unsigned threads = 4;
};

// The exporter over HTTP/1.1, or HTTPS and passwords as a web configuration file asks. A
// malformed request gets 400 and an oversized one 4xx from the HTTP library itself; a request
// without the right password gets 401; everything else goes to Exporter::Handle.
class HttpServer {
 public:
  // Listens at once; throws std::runtime_error saying why when it cannot. web, when given,
  // outlives the server.
  HttpServer(const ListenAddress& address, Exporter& exporter, HttpLimits limits = {},
             WebConfigFile* web = nullptr);
  ~HttpServer();  // stops listening and waits for the requests in hand
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // The address it listens on, with the port the system chose for port 0: "127.0.0.1:40123".
  const std::string& address() const;
  bool tls() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace exporter
