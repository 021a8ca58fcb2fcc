// A private D-Bus session bus for the whole test binary, started before Qt looks for one, and one
// QApplication on the offscreen platform. The bus knows no services to start, so a notification
// daemon installed on this machine never answers in a test's place.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

extern char** environ;

namespace {

constexpr const char* kConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// Starts dbus-daemon and returns its address (empty on failure, with the reason on stderr).
std::string StartBus(const std::string& folder, pid_t& pid) {
  const std::string config = folder + "/bus.conf";
  std::ofstream(config) << kConfig;
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const std::string config_arg = "--config-file=" + config;
  char* argv[] = {const_cast<char*>("dbus-daemon"), const_cast<char*>(config_arg.c_str()),
                  const_cast<char*>("--nofork"), const_cast<char*>("--print-address=1"), nullptr};
  const int spawned = posix_spawnp(&pid, "dbus-daemon", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    std::fprintf(stderr, "cannot start dbus-daemon (install the dbus package): %s\n",
                 std::strerror(spawned));
    close(out[0]);
    return {};
  }
  std::string address;
  char c = 0;
  while (read(out[0], &c, 1) == 1 && c != '\n') address.push_back(c);
  close(out[0]);
  if (address.empty()) std::fprintf(stderr, "dbus-daemon gave no address\n");
  return address;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir folder;
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    qputenv("XDG_RUNTIME_DIR", folder.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", folder.filePath(QStringLiteral("config")).toUtf8());
  pid_t bus = 0;
  const std::string address = StartBus(folder.path().toStdString(), bus);
  if (address.empty()) return 1;
  setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  int status = 0;
  {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    status = RUN_ALL_TESTS();
  }
  kill(bus, SIGTERM);
  waitpid(bus, nullptr, 0);
  return status;
}
