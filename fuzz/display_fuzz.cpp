// The environment that says where the window goes, one variable per input line (QT_QPA_PLATFORM,
// DISPLAY, WAYLAND_DISPLAY, XDG_RUNTIME_DIR, then "wayland" for a Wayland session): every input
// gives places a display server can listen on and an answer that is a yes or a whole message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/display_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line) && lines.size() < 5;) lines.push_back(line);
  lines.resize(5);

  for (const app::DisplayEndpoint& e : app::XDisplayEndpoints(lines[1])) {
    if (e.unix_path.empty() == e.host.empty()) std::abort();  // one kind of place or the other
    if (e.unix_path.empty() && (e.port < 6000 || e.port > 65535)) std::abort();
  }
  app::DisplayEnvironment env;
  const auto set = [](const std::string& value) {
    return value == "-" ? std::optional<std::string>() : std::optional<std::string>(value);
  };
  env.qpa_platform = set(lines[0]);
  env.display = set(lines[1]);
  env.wayland_display = set(lines[2]);
  env.runtime_dir = set(lines[3]);
  env.wayland_session = lines[4] == "wayland";
  // Whether a place answers follows from its name, so a run can be repeated.
  const auto answers = [](const app::DisplayEndpoint& e) {
    return std::hash<std::string>{}(e.unix_path + e.host + std::to_string(e.port)) % 3 == 0;
  };
  const std::string message = app::NoDisplayMessage(env, answers);
  if (!message.empty() && (message.rfind("kelvran-eval: ", 0) != 0 || message.back() != '\n')) {
    std::abort();
  }
  return 0;
}
