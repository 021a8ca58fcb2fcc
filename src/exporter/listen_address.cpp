#include "exporter/listen_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

namespace exporter {

namespace {

// A port number 0..65535 without sign or spaces; -1 for anything else.
long Port(std::string_view s) {
  if (s.empty() || s.size() > 5) return -1;
  long n = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n <= 65535 ? n : -1;
}

}  // namespace

std::string AddressText(const sockaddr_storage& address) {
  char host[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET6) {
    sockaddr_in6 a6{};
    std::memcpy(&a6, &address, sizeof a6);
    inet_ntop(AF_INET6, &a6.sin6_addr, host, sizeof host);
    return "[" + std::string(host) + "]:" + std::to_string(ntohs(a6.sin6_port));
  }
  sockaddr_in a4{};
  std::memcpy(&a4, &address, sizeof a4);
  inet_ntop(AF_INET, &a4.sin_addr, host, sizeof host);
  return std::string(host) + ":" + std::to_string(ntohs(a4.sin_port));
}

ParsedListen ParseListenAddress(std::string_view text) {
  ParsedListen out;
  const auto fail = [&out, text](std::string_view why) {
    out.error = "--listen takes ADDRESS:PORT such as 127.0.0.1:19610 or [::1]:19610, not '" +
                std::string(text) + "': " + std::string(why);
    return out;
  };
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return fail("no port");
  std::string host(text.substr(0, colon));
  const long port = Port(text.substr(colon + 1));
  if (port < 0) return fail("the port is a number from 0 to 65535");
  const bool bracketed = host.size() >= 2 && host.front() == '[' && host.back() == ']';
  if (bracketed) host = host.substr(1, host.size() - 2);
  if (host == "localhost") host = "127.0.0.1";
  ListenAddress& a = out.address;
  sockaddr_in a4{};
  sockaddr_in6 a6{};
  if (!bracketed && inet_pton(AF_INET, host.c_str(), &a4.sin_addr) == 1) {
    a4.sin_family = AF_INET;
    a4.sin_port = htons(static_cast<std::uint16_t>(port));
    std::memcpy(&a.address, &a4, sizeof a4);
    a.length = sizeof a4;
    a.loopback = (ntohl(a4.sin_addr.s_addr) >> 24) == 127;
  } else if (bracketed && inet_pton(AF_INET6, host.c_str(), &a6.sin6_addr) == 1) {
    a6.sin6_family = AF_INET6;
    a6.sin6_port = htons(static_cast<std::uint16_t>(port));
    std::memcpy(&a.address, &a6, sizeof a6);
    a.length = sizeof a6;
    a.loopback = IN6_IS_ADDR_LOOPBACK(&a6.sin6_addr) != 0;
  } else {
    return fail(bracketed ? "not an IPv6 address" : "not an IPv4 address (IPv6 goes in [ ])");
  }
  a.text = AddressText(a.address);
  return out;
}

}  // namespace exporter
