#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Whether the window has a display to open on, looked at before Qt is asked: without one Qt
// aborts with a core dump and advice to reinstall, which helps nobody who is simply logged in
// over ssh. Plain C++ and sockets, so it runs before anything graphical exists.
namespace app {

// The environment variables that decide where Qt opens the window; unset ones are empty.
struct DisplayEnvironment {
  std::optional<std::string> qpa_platform;     // QT_QPA_PLATFORM
  std::optional<std::string> display;          // DISPLAY
  std::optional<std::string> wayland_display;  // WAYLAND_DISPLAY
  bool wayland_socket = false;                 // WAYLAND_SOCKET: a connection handed over
  std::optional<std::string> runtime_dir;      // XDG_RUNTIME_DIR
  bool wayland_session = false;                // XDG_SESSION_TYPE=wayland

  static DisplayEnvironment OfThisProcess();
};

// Where a display server listens: a Unix socket (a leading '\0' marks an abstract one) or a TCP
// host and port.
struct DisplayEndpoint {
  std::string unix_path;
  std::string host;
  int port = 0;

  bool operator==(const DisplayEndpoint&) const = default;
};

// The places an X client tries for the display DISPLAY names (":0", "unix:1.0",
// "localhost:10.0"), in its order; empty when the text is no display name this check knows,
// in which case Qt is left to try it.
std::vector<DisplayEndpoint> XDisplayEndpoints(std::string_view display);

// Whether something accepts a connection there within a few seconds.
bool Answers(const DisplayEndpoint& endpoint);

using AnswersFunction = std::function<bool(const DisplayEndpoint&)>;

// Empty when a display answers for a platform Qt will try, or when the platform asked for needs
// no display (offscreen, say); else the lines, each ending in '\n', that say what is missing and
// what to do, the first one starting with the program's name.
std::string NoDisplayMessage(const DisplayEnvironment& env,
                             const AnswersFunction& answers = Answers);

}  // namespace app
