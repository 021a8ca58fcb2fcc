#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <string>

namespace exporter {

// A TCP connection to host:port ("127.0.0.1:40123"), from the loopback address `from` when given
// (127.0.0.2, 127.0.0.3 ... are other clients to the server); -1 when it cannot connect.
inline int Connect(const std::string& address, const std::string& from = "") {
  const auto ipv4 = [](const std::string& host, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    return a;
  };
  const std::size_t colon = address.rfind(':');
  const sockaddr_in a = ipv4(address.substr(0, colon), std::stoi(address.substr(colon + 1)));
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  timeval timeout{5, 0};
  ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  const sockaddr_in source = ipv4(from, 0);
  if ((!from.empty() &&
       ::bind(s, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0) ||
      ::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    ::close(s);
    return -1;
  }
  return s;
}

// Sends raw bytes and returns everything the server answers until it closes the connection (or
// 5 s pass).
inline std::string Exchange(const std::string& address, const std::string& request,
                            const std::string& from = "") {
  const int s = Connect(address, from);
  std::string answer;
  if (s >= 0) {
    ::send(s, request.data(), request.size(), MSG_NOSIGNAL);
    char buffer[4096];
    for (ssize_t n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;) {
      answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(s);
  }
  return answer;
}

// GET path with these extra header lines, closing after the answer.
inline std::string Get(const std::string& address, const std::string& path,
                       const std::string& headers = "") {
  return Exchange(address, "GET " + path + " HTTP/1.1\r\nHost: test\r\n" + headers +
                               "Connection: close\r\n\r\n");
}

inline int StatusOf(const std::string& answer) {
  return answer.size() > 12 && answer.rfind("HTTP/1.", 0) == 0 ? std::stoi(answer.substr(9, 3)) : 0;
}

inline std::string BodyOf(const std::string& answer) {
  const std::size_t end = answer.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

inline std::string HeaderOf(const std::string& answer, const std::string& name) {
  const std::size_t at = answer.find("\r\n" + name + ": ");
  if (at == std::string::npos) return {};
  const std::size_t start = at + 4 + name.size();
  return answer.substr(start, answer.find("\r\n", start) - start);
}

}  // namespace exporter
