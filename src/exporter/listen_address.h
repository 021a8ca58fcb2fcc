#pragma once

#include <sys/socket.h>

#include <string>
#include <string_view>

namespace exporter {

// Where the exporter listens. Loopback unless told otherwise: readings are nobody else's business.
inline constexpr int kDefaultPort = 19610;
inline constexpr std::string_view kDefaultListen = "127.0.0.1:19610";

struct ListenAddress {
  sockaddr_storage address{};
  socklen_t length = 0;
  bool loopback = false;
  std::string text;  // "127.0.0.1:19610", "[::1]:19610"
};

struct ParsedListen {
  ListenAddress address;
  std::string error;  // one line; empty when understood
  bool ok() const { return error.empty(); }
};

// "127.0.0.1:19610", "0.0.0.0:19610", "[::1]:19610", "[::]:19610", "localhost:19610"; port 0
// takes any free port.
ParsedListen ParseListenAddress(std::string_view text);

// The text of a bound socket's address: "127.0.0.1:40123".
std::string AddressText(const sockaddr_storage& address);

}  // namespace exporter
