#include "app/platform_start.h"

#include <QByteArray>
#include <QMessageLogContext>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/command_line.h"

namespace app {

namespace {

constexpr std::string_view kCouldNotLoad = "Could not load the Qt platform plugin \"";
constexpr std::string_view kCouldNotFind = "Could not find the Qt platform plugin \"";
constexpr std::string_view kAvailable = "Available platform plugins are: ";

struct HeldMessage {
  QtMsgType type;
  QByteArray category;
  QString text;
};

// Qt's handler is a plain function: what it needs lives here, for the one guard there is.
struct Held {
  std::mutex mutex;
  QtMessageHandler previous = nullptr;
  std::vector<HeldMessage> messages;
};

Held& held() {
  static Held h;
  return h;
}

std::string OneLine(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const bool blank = c == '\n' || c == '\r' || c == '\t' || c == ' ';
    if (!blank) {
      out += c;
    } else if (!out.empty() && out.back() != ' ') {
      out += ' ';
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The plugin name in a message that starts with `prefix`, or "" for any other message.
std::string PluginNamed(std::string_view message, std::string_view prefix) {
  if (message.substr(0, prefix.size()) != prefix) return {};
  message.remove_prefix(prefix.size());
  return std::string(message.substr(0, message.find('"')));
}

void Hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  Held& h = held();
  if (type == QtFatalMsg && text.contains(QStringLiteral("platform plugin"))) {
    std::vector<std::string> messages;
    {
      const std::lock_guard lock(h.mutex);
      for (const HeldMessage& m : h.messages) messages.push_back(m.text.toStdString());
    }
    const std::string line = std::string(kProgramName) + ": cannot open the window: " +
                             PlatformFailureLine(messages, text.toStdString()) + '\n' +
                             "Without a window, kelvran does the same work in a terminal "
                             "(kelvran --help).\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(kUsageExitStatus);
  }
  if (type == QtFatalMsg) {
    // Not ours to judge: Qt's own handler reports it and Qt aborts as it would have.
    if (h.previous != nullptr) h.previous(type, context, text);
    return;
  }
  const std::lock_guard lock(h.mutex);
  h.messages.push_back(
      {type, QByteArray(context.category != nullptr ? context.category : "default"), text});
}

}  // namespace

std::string PlatformFailureLine(const std::vector<std::string>& messages, std::string_view fatal) {
  std::string tried;
  std::string reasons;  // Qt's words since the last plugin it gave up on
  bool any_missing = false;
  const auto add = [&tried](const std::string& name, const std::string& why) {
    tried += (tried.empty() ? "" : "; ") + ("Qt's platform plugin \"" + name + "\" " + why);
  };
  for (const std::string& raw : messages) {
    const std::string message = OneLine(raw);
    if (const std::string name = PluginNamed(message, kCouldNotLoad); !name.empty()) {
      add(name, reasons.empty() ? "did not start" : "did not start: " + reasons);
      reasons.clear();
    } else if (const std::string missing = PluginNamed(message, kCouldNotFind); !missing.empty()) {
      // Debian ships the Wayland plugin apart from the rest of Qt.
      add(missing, missing.substr(0, 7) == "wayland" ? "is not installed (package qt6-wayland)"
                                                     : "is not installed");
      any_missing = true;
      reasons.clear();
    } else if (!message.empty()) {
      reasons += (reasons.empty() ? "" : "; ") + message;
    }
  }
  if (tried.empty()) {
    tried = "no Qt platform plugin could start";
    if (!reasons.empty()) tried += ": " + reasons;
  }
  // Which plugins there are helps only when the one asked for is not among them.
  const std::string last = OneLine(fatal);
  if (const std::size_t at = last.find(kAvailable); any_missing && at != std::string::npos) {
    std::string available = last.substr(at + kAvailable.size());
    while (!available.empty() && available.back() == '.') available.pop_back();
    tried += " (installed: " + available + ")";
  }
  return tried;
}

PlatformStartGuard::PlatformStartGuard() {
  Held& h = held();
  const std::lock_guard lock(h.mutex);
  h.messages.clear();
  h.previous = qInstallMessageHandler(Hold);
}

PlatformStartGuard::~PlatformStartGuard() {
  Held& h = held();
  std::vector<HeldMessage> messages;
  QtMessageHandler previous = nullptr;
  {
    const std::lock_guard lock(h.mutex);
    messages.swap(h.messages);
    previous = h.previous;
  }
  qInstallMessageHandler(previous);
  if (previous == nullptr) return;
  for (const HeldMessage& m : messages) {
    const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
    previous(m.type, context, m.text);
  }
}

}  // namespace app
