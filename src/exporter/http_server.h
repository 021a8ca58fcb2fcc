#pragma once

#include <cstddef>
#include <string>

#include "exporter/exporter.h"
#include "exporter/listen_address.h"

struct MHD_Daemon;

namespace exporter {

// Bounds that keep a misbehaving client from holding the server: connections at once, the bytes
// of one request's line and headers, how long a connection may sit idle.
struct HttpLimits {
  unsigned connections = 64;
  std::size_t request_bytes = 16 * 1024;
  unsigned idle_seconds = 10;
  unsigned threads = 4;
};

// The exporter over HTTP/1.1. A malformed request gets 400 and an oversized one 4xx from the
// HTTP library itself; everything else goes to Exporter::Handle.
class HttpServer {
 public:
  // Listens at once; throws std::runtime_error saying why when it cannot.
  HttpServer(const ListenAddress& address, Exporter& exporter, HttpLimits limits = {});
  ~HttpServer();  // stops listening and waits for the requests in hand
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // The address it listens on, with the port the system chose for port 0: "127.0.0.1:40123".
  const std::string& address() const { return address_; }

 private:
  int socket_ = -1;
  MHD_Daemon* daemon_ = nullptr;
  std::string address_;
};

}  // namespace exporter
