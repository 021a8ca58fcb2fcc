// The application object of the program itself, on the offscreen platform. Death tests re-run
// this binary for each case, so every case that ends the event loop gets a fresh application.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/kelvran_application.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir runtime_dir;
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    qputenv("XDG_RUNTIME_DIR", runtime_dir.path().toUtf8());
  }
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  app::KelvranApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
