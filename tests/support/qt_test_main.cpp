// One QApplication on the offscreen platform for the whole test binary.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir runtime_dir;
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    qputenv("XDG_RUNTIME_DIR", runtime_dir.path().toUtf8());
  // Settings a user left on this machine (notifications on, say) never reach a test.
  qputenv("XDG_CONFIG_HOME", runtime_dir.filePath(QStringLiteral("config")).toUtf8());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
