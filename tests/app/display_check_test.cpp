#include "app/display_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstring>
#include <set>
#include <string>
#include <vector>

// Each environment below names only the variables it sets.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using app::DisplayEndpoint;
using app::DisplayEnvironment;
using ::testing::HasSubstr;
using ::testing::StartsWith;

DisplayEndpoint Unix(const std::string& path) {
  return {path, {}, 0};
}
DisplayEndpoint Abstract(const std::string& path) {
  return {std::string(1, '\0') + path, {}, 0};
}
DisplayEndpoint Tcp(const std::string& host, int port) {
  return {{}, host, port};
}

TEST(XDisplayEndpoints, NamesTheSocketsAnXClientTries) {
  const std::vector<DisplayEndpoint> local0 = {Abstract("/tmp/.X11-unix/X0"),
                                               Unix("/tmp/.X11-unix/X0"), Tcp("localhost", 6000)};
  const std::vector<DisplayEndpoint> unix2 = {Abstract("/tmp/.X11-unix/X2"),
                                              Unix("/tmp/.X11-unix/X2")};
  const std::pair<const char*, std::vector<DisplayEndpoint>> rows[] = {
      {":0", local0},
      {":0.1", local0},
      {"unix:2", unix2},
      {"unix/:2.0", unix2},
      {"localhost:10.0", {Tcp("localhost", 6010)}},  // what ssh -X sets
      {"tcp/lab-pc:3", {Tcp("lab-pc", 6003)}},
      {"tcp/:4", {Tcp("localhost", 6004)}},
      {"[::1]:5", {Tcp("::1", 6005)}},
  };
  for (const auto& [display, endpoints] : rows) {
    SCOPED_TRACE(display);
    EXPECT_EQ(app::XDisplayEndpoints(display), endpoints);
  }
  // Nothing this check can look at: Qt is left to try it.
  for (const char* display : {"", "nonsense", ":", ":x", ":0.x", "node::0", "decnet/node:0",
                              "/private/tmp/launch-a/org.xquartz:0", ":60000"}) {
    EXPECT_TRUE(app::XDisplayEndpoints(display).empty()) << display;
  }
}

// The decision for each environment, with the listening sockets named in `up`.
struct Case {
  const char* what;
  DisplayEnvironment env;
  std::set<std::string> up;  // unix paths and "host:port"
  const char* says;          // nullptr: the window may open
};

std::string MessageFor(const Case& c) {
  return app::NoDisplayMessage(c.env, [&c](const DisplayEndpoint& e) {
    return c.up.count(e.unix_path.empty() ? e.host + ":" + std::to_string(e.port) : e.unix_path) >
           0;
  });
}

TEST(NoDisplayMessage, OpensWhereADisplayAnswersAndSaysWhatIsMissingElsewhere) {
  const std::string run = "/run/user/1000";
  const std::string w1 = run + "/wayland-1";
  const std::string w0 = run + "/wayland-0";
  const std::string x0 = "/tmp/.X11-unix/X0";
  const DisplayEnvironment x99{.display = ":99"};
  const DisplayEnvironment ssh{.display = "localhost:10.0"};
  const DisplayEnvironment wayland{.wayland_display = "wayland-1", .runtime_dir = run};
  const DisplayEnvironment both{
      .display = ":0", .wayland_display = "wayland-1", .runtime_dir = run};
  const DisplayEnvironment session{.runtime_dir = run, .wayland_session = true};
  const DisplayEnvironment asked{.qpa_platform = "wayland", .runtime_dir = run};
  const DisplayEnvironment listed{
      .qpa_platform = "wayland-egl;xcb:nograb", .display = ":99", .runtime_dir = run};
  const Case cases[] = {
      {"nothing set", {}, {}, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
      {"set but empty", {.display = "", .wayland_display = ""}, {}, "neither DISPLAY nor"},
      {"an X server gone", x99, {}, "the X display :99 (DISPLAY) does not answer"},
      {"an X server there", x99, {"/tmp/.X11-unix/X99"}, nullptr},
      {"its abstract socket only", x99, {std::string(1, '\0') + "/tmp/.X11-unix/X99"}, nullptr},
      {"ssh -X", ssh, {"localhost:6010"}, nullptr},
      {"ssh -X after it closed", ssh, {}, "localhost:10.0 (DISPLAY) does not answer"},
      {"Wayland", wayland, {w1}, nullptr},
      {"Wayland gone", wayland, {}, "the Wayland display wayland-1 (WAYLAND_DISPLAY) does not"},
      {"Wayland gone, X there", both, {x0}, nullptr},
      {"X gone, Wayland there", both, {w1}, nullptr},
      {"both gone", both, {}, ":0 (DISPLAY) does not answer, and the Wayland display wayland-1"},
      {"Wayland without XDG_RUNTIME_DIR",
       {.wayland_display = "wayland-1"},
       {},
       "wayland-1 (WAYLAND_DISPLAY) cannot be found: XDG_RUNTIME_DIR is not set"},
      {"Wayland by path", {.wayland_display = "/tmp/w/c"}, {"/tmp/w/c"}, nullptr},
      {"a session without WAYLAND_DISPLAY", session, {}, "wayland-0 (the default) does not answer"},
      {"a session on the default socket", session, {w0}, nullptr},
      {"a connection handed over", {.wayland_socket = true}, {}, nullptr},
      {"a platform without a display", {.qpa_platform = "offscreen"}, {}, nullptr},
      {"xcb asked for on Wayland",
       {.qpa_platform = "xcb", .wayland_display = "wayland-1", .runtime_dir = run},
       {w1},
       "(QT_QPA_PLATFORM=xcb): DISPLAY is not set"},
      {"wayland asked for, default socket", asked, {w0}, nullptr},
      {"wayland asked for, nothing there", asked, {}, "wayland-0 (the default)"},
      {"a list with options", listed, {w0}, nullptr},
      {"a list with options, nothing there",
       listed,
       {},
       "=wayland-egl;xcb:nograb): the X display :99"},
      {"a display this check cannot read", {.display = "nonsense"}, {}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string message = MessageFor(c);
    if (c.says == nullptr) {
      EXPECT_EQ(message, "");
      continue;
    }
    EXPECT_THAT(message, StartsWith("kelvran-eval: no display to open the window on"));
    EXPECT_THAT(message, HasSubstr(c.says));
    // How to get a display, and the program that needs none.
    EXPECT_THAT(message, HasSubstr("desktop session"));
    EXPECT_THAT(message, HasSubstr("ssh -X"));
    EXPECT_THAT(message, HasSubstr("kelvran does the same work in a terminal"));
    EXPECT_EQ(message.back(), '\n');
  }
}

// A listening socket, closed at the end of the scope.
class Listener {
 public:
  Listener(int domain, const sockaddr* address, socklen_t length)
      : fd_(::socket(domain, SOCK_STREAM, 0)) {
    EXPECT_GE(fd_, 0);
    EXPECT_EQ(::bind(fd_, address, length), 0) << std::strerror(errno);
    EXPECT_EQ(::listen(fd_, 1), 0);
  }
  ~Listener() { ::close(fd_); }
  int fd() const { return fd_; }

 private:
  int fd_;
};

sockaddr_un UnixAddress(const std::string& path) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::memcpy(a.sun_path, path.data(), path.size());
  return a;
}

TEST(Answers, TellsAListeningSocketFromAGoneOne) {
  QTemporaryDir dir;
  const std::string path = dir.filePath(QStringLiteral("display")).toStdString();
  const std::string abstract =
      std::string(1, '\0') + "kelvran-display-check-" + std::to_string(::getpid());
  int tcp_port = 0;
  {
    const sockaddr_un at_path = UnixAddress(path);
    const Listener on_path(AF_UNIX, reinterpret_cast<const sockaddr*>(&at_path), sizeof at_path);
    const sockaddr_un at_name = UnixAddress(abstract);
    const Listener on_name(
        AF_UNIX, reinterpret_cast<const sockaddr*>(&at_name),
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + abstract.size()));
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const Listener on_tcp(AF_INET, reinterpret_cast<const sockaddr*>(&loopback), sizeof loopback);
    socklen_t size = sizeof loopback;
    ASSERT_EQ(::getsockname(on_tcp.fd(), reinterpret_cast<sockaddr*>(&loopback), &size), 0);
    tcp_port = ntohs(loopback.sin_port);

    EXPECT_TRUE(app::Answers(Unix(path)));
    EXPECT_TRUE(app::Answers(DisplayEndpoint{abstract, {}, 0}));
    EXPECT_TRUE(app::Answers(Tcp("127.0.0.1", tcp_port)));
  }
  // The file of a Unix socket outlives its server: a connection to it is refused. (No file at
  // all: the program test's display :4711.)
  EXPECT_FALSE(app::Answers(Unix(path)));
  EXPECT_FALSE(app::Answers(DisplayEndpoint{abstract, {}, 0}));
  EXPECT_FALSE(app::Answers(Tcp("127.0.0.1", tcp_port)));
}

}  // namespace
