#include "app/platform_start.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QString>
#include <QtGlobal>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

// Qt's last word when no platform plugin starts, as Qt 6.4 words it.
const std::string kFatal =
    "This application failed to start because no Qt platform plugin could be initialized. "
    "Reinstalling the application may fix this problem.\n\n"
    "Available platform plugins are: minimal, offscreen, xcb, wayland.\n";

// What Qt said before it gave up, for the ways the window's start fails.
TEST(PlatformFailureLine, NamesEachPluginTriedWithQtsReason) {
  struct Row {
    const char* what;
    std::vector<std::string> messages;
    std::string line;
  };
  const Row rows[] = {
      {"an X display that went away",
       {"could not connect to display :77",
        "Could not load the Qt platform plugin \"xcb\" in \"\" even though it was found."},
       "Qt's platform plugin \"xcb\" did not start: could not connect to display :77"},
      {"Wayland first, then X",
       {"Failed to create wl_display (No such file or directory)",
        "Could not load the Qt platform plugin \"wayland\" in \"\" even though it was found.",
        "could not connect to display ",
        "Could not load the Qt platform plugin \"xcb\" in \"\" even though it was found."},
       "Qt's platform plugin \"wayland\" did not start: Failed to create wl_display (No such file "
       "or directory); Qt's platform plugin \"xcb\" did not start: could not connect to display"},
      {"a plugin that is not there",
       {"Could not find the Qt platform plugin \"nosuch\" in \"\""},
       "Qt's platform plugin \"nosuch\" is not installed (installed: minimal, offscreen, xcb, "
       "wayland)"},
      {"Wayland without its plugin, falling back to X",
       {"Could not find the Qt platform plugin \"wayland\" in \"\"",
        "could not connect to display \n  (twice)",
        "Could not load the Qt platform plugin \"xcb\" in \"\" even though it was found."},
       "Qt's platform plugin \"wayland\" is not installed (package qt6-wayland); Qt's platform "
       "plugin \"xcb\" did not start: could not connect to display (twice) (installed: minimal, "
       "offscreen, xcb, wayland)"},
      {"no reason given",
       {"Could not load the Qt platform plugin \"eglfs\" in \"\" even though it was found."},
       "Qt's platform plugin \"eglfs\" did not start"},
      {"nothing named",
       {"EGL not available"},
       "no Qt platform plugin could start: EGL not available"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string line = app::PlatformFailureLine(row.messages, kFatal);
    EXPECT_EQ(line, row.line);
    EXPECT_EQ(line.find('\n'), std::string::npos);
  }
}

std::vector<std::string>* g_received = nullptr;

void Receive(QtMsgType, const QMessageLogContext& context, const QString& text) {
  g_received->push_back(std::string(context.category) + ": " + text.toStdString());
}

// What Qt says while the application object is made is held, not lost: it reaches the handler
// that was there before, in order, with its category, once the guard goes.
TEST(PlatformStartGuard, PassesHeldMessagesOnWhenItGoes) {
  std::vector<std::string> received;
  g_received = &received;
  const QtMessageHandler before = qInstallMessageHandler(Receive);
  {
    const app::PlatformStartGuard guard;
    qWarning("QStandardPaths: XDG_RUNTIME_DIR not set");
    qInfo("second");
    EXPECT_TRUE(received.empty());
  }
  qWarning("after");
  qInstallMessageHandler(before);
  g_received = nullptr;
  EXPECT_THAT(received, ElementsAre("default: QStandardPaths: XDG_RUNTIME_DIR not set",
                                    "default: second", "default: after"));
}

}  // namespace
