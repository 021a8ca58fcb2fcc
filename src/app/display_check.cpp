#include "app/display_check.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "app/command_line.h"

namespace app {

namespace {

constexpr int kXTcpPortBase = 6000;
constexpr int kLastPort = 65535;
constexpr int kConnectTimeoutMs = 3000;
constexpr std::string_view kXSocketFolder = "/tmp/.X11-unix/X";
constexpr std::string_view kDefaultWaylandDisplay = "wayland-0";

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool IsSet(const std::optional<std::string>& value) {
  return value.has_value() && !value->empty();
}

std::optional<int> Number(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  int n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

// A descriptor closed on every way out.
class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

// A connect that gives up after kConnectTimeoutMs: a host that drops packets would otherwise
// hold the program for minutes before saying anything.
bool ConnectsInTime(int domain, const sockaddr* address, socklen_t length) {
  const Socket socket(::socket(domain, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (socket.fd() < 0) return false;
  if (::connect(socket.fd(), address, length) == 0) return true;
  if (errno != EINPROGRESS && errno != EAGAIN) return false;
  pollfd waiting{socket.fd(), POLLOUT, 0};
  int ready = 0;
  do {
    ready = ::poll(&waiting, 1, kConnectTimeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) return false;
  int error = 0;
  socklen_t size = sizeof error;
  return ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

bool UnixAnswers(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  // An abstract name is exactly as long as it is; a path ends at its terminating zero.
  const std::size_t used = path.front() == '\0' ? path.size() : path.size() + 1;
  return ConnectsInTime(AF_UNIX, reinterpret_cast<const sockaddr*>(&address),
                        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + used));
}

bool TcpAnswers(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
    return false;
  }
  bool answered = false;
  for (const addrinfo* a = found; a != nullptr && !answered; a = a->ai_next) {
    answered = ConnectsInTime(a->ai_family, a->ai_addr, a->ai_addrlen);
  }
  ::freeaddrinfo(found);
  return answered;
}

std::string XSocketPath(int number) {
  return std::string(kXSocketFolder) + std::to_string(number);
}

// One display system Qt may try, and what stands in its way ("" when it answers).
struct Candidate {
  bool checkable = true;  // false: nothing to look at before Qt tries it
  std::string problem;
};

Candidate CheckX(const DisplayEnvironment& env, const AnswersFunction& answers) {
  if (!IsSet(env.display)) return {true, "DISPLAY is not set"};
  const std::vector<DisplayEndpoint> endpoints = XDisplayEndpoints(*env.display);
  if (endpoints.empty()) return {false, {}};
  for (const DisplayEndpoint& e : endpoints) {
    if (answers(e)) return {};
  }
  return {true, "the X display " + *env.display + " (DISPLAY) does not answer"};
}

Candidate CheckWayland(const DisplayEnvironment& env, const AnswersFunction& answers) {
  if (env.wayland_socket) return {false, {}};
  const bool named = IsSet(env.wayland_display);
  const std::string name = named ? *env.wayland_display : std::string(kDefaultWaylandDisplay);
  const std::string shown =
      "the Wayland display " + name + (named ? " (WAYLAND_DISPLAY)" : " (the default)");
  std::string path = name;
  if (name.front() != '/') {
    if (!IsSet(env.runtime_dir))
      return {true, shown + " cannot be found: XDG_RUNTIME_DIR is not set"};
    path = *env.runtime_dir + "/" + name;
  }
  if (answers(DisplayEndpoint{path, {}, 0})) return {};
  return {true, shown + " does not answer"};
}

std::string Join(const std::vector<std::string>& parts, std::string_view glue) {
  std::string out;
  for (const std::string& part : parts) {
    if (!out.empty()) out += glue;
    out += part;
  }
  return out;
}

}  // namespace

DisplayEnvironment DisplayEnvironment::OfThisProcess() {
  DisplayEnvironment env;
  env.qpa_platform = Variable("QT_QPA_PLATFORM");
  env.display = Variable("DISPLAY");
  env.wayland_display = Variable("WAYLAND_DISPLAY");
  env.wayland_socket = IsSet(Variable("WAYLAND_SOCKET"));
  env.runtime_dir = Variable("XDG_RUNTIME_DIR");
  env.wayland_session = Variable("XDG_SESSION_TYPE") == std::optional<std::string>("wayland");
  return env;
}

std::vector<DisplayEndpoint> XDisplayEndpoints(std::string_view display) {
  // [protocol/][host]:number[.screen]
  std::string_view protocol;
  const std::size_t colon = display.rfind(':');
  if (colon == std::string_view::npos || display.empty() || display.front() == '/') return {};
  if (const std::size_t slash = display.find('/'); slash < colon) {
    protocol = display.substr(0, slash);
    display.remove_prefix(slash + 1);
  }
  const std::size_t at = display.rfind(':');
  std::string_view host = display.substr(0, at);
  std::string_view rest = display.substr(at + 1);
  if (!host.empty() && host.back() == ':') return {};  // DECnet "node::0"
  const std::size_t dot = rest.find('.');
  const std::optional<int> number = Number(rest.substr(0, dot));
  if (!number || (dot != std::string_view::npos && !Number(rest.substr(dot + 1)))) return {};
  const int port = kXTcpPortBase + *number;
  if (port > kLastPort) return {};
  const bool local = host.empty() || host == "unix";
  if (protocol == "unix" || (protocol.empty() && local)) {
    std::vector<DisplayEndpoint> out{{std::string(1, '\0') + XSocketPath(*number), {}, 0},
                                     {XSocketPath(*number), {}, 0}};
    // With neither host nor protocol, X clients fall back to TCP on this machine.
    if (protocol.empty() && host.empty()) out.push_back({{}, "localhost", port});
    return out;
  }
  if (!protocol.empty() && protocol != "tcp" && protocol != "inet" && protocol != "inet6")
    return {};
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  if (host.empty()) host = "localhost";  // "tcp/:0"
  return {{{}, std::string(host), port}};
}

bool Answers(const DisplayEndpoint& endpoint) {
  if (!endpoint.unix_path.empty()) return UnixAnswers(endpoint.unix_path);
  return TcpAnswers(endpoint.host, endpoint.port);
}

std::string NoDisplayMessage(const DisplayEnvironment& env, const AnswersFunction& answers) {
  bool wants_x = false;
  bool wants_wayland = false;
  std::string asked;
  if (IsSet(env.qpa_platform)) {
    // "wayland;xcb", "xcb:option": Qt tries each name in turn, options after a colon.
    std::string_view list = *env.qpa_platform;
    while (!list.empty()) {
      const std::size_t end = list.find(';');
      std::string_view name = list.substr(0, end);
      name = name.substr(0, name.find(':'));
      list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
      if (name == "xcb") {
        wants_x = true;
      } else if (name.substr(0, 7) == "wayland") {
        wants_wayland = true;
      } else if (!name.empty()) {
        return {};  // offscreen, vnc, eglfs...: none of them needs a display server
      }
    }
    asked = " (QT_QPA_PLATFORM=" + *env.qpa_platform + ")";
  } else {
    wants_x = IsSet(env.display);
    wants_wayland = IsSet(env.wayland_display) || env.wayland_socket || env.wayland_session;
  }

  std::vector<std::string> problems;
  if (!wants_x && !wants_wayland) {
    problems.emplace_back("neither DISPLAY nor WAYLAND_DISPLAY is set");
  }
  // Qt falls back from one to the other: one that answers (or cannot be looked at) is enough.
  std::vector<Candidate> candidates;
  if (wants_x) candidates.push_back(CheckX(env, answers));
  if (wants_wayland) candidates.push_back(CheckWayland(env, answers));
  for (const Candidate& c : candidates) {
    if (!c.checkable || c.problem.empty()) return {};
    problems.push_back(c.problem);
  }
  return std::string(kProgramName) + ": no display to open the window on" + asked + ": " +
         Join(problems, ", and ") +
         ".\n"
         "Start it in a desktop session, or over ssh -X (X forwarding) from a computer that "
         "has one.\n"
         "Without a display, kelvran does the same work in a terminal: kelvran detect, "
         "kelvran watch, ... (kelvran --help).\n";
}

}  // namespace app
