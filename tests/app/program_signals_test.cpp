// The signals a desktop session or a terminal sends end the program as closing its window does,
// with a recording's rows on disk. Each case ends the event loop, so each runs in a death test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/kelvran_application.h"
#include "app/startup.h"
#include "buslink/sim/simulated_hardware.h"
#include "support/scripted_message_boxes.h"
#include "support/top_level.h"

namespace {

using ::testing::ExitedWithCode;

using test_support::TopLevel;

void Press(const char* button) {
  QTest::mouseClick(TopLevel("InitForm")->findChild<QPushButton*>(QString::fromLatin1(button)),
                    Qt::LeftButton);
}

// Complete rows on disk and whether the file ends with a whole line.
std::string RowsOnDiskText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  int rows = 0;
  std::size_t at = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', at)) {
    const std::string line = text.substr(at, end - at);
    rows += !line.empty() && line[0] != '#' && !line.starts_with("time,");
    at = end + 1;
  }
  return std::to_string(rows) + (at == text.size() ? " whole" : " cut");
}

TEST(ProgramSignalsDeathTest, EachSignalEndsARecordingCleanlyWithStatus0) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    const std::string recording = ::testing::TempDir() + "program_signals.csv";
    std::remove(recording.c_str());
    EXPECT_EXIT(
        {
          ScriptedMessageBoxes boxes;
          auto& application = *static_cast<app::KelvranApplication*>(qApp);
          application.SetMessageBoxes(&boxes);
          buslink::sim::SimulatedHardware hardware(buslink::sim::Scenario::FromJson(
              R"({"smbus": {"present": true, "chips": [{"address": "0x2D"}]}})", "t"));
          app::Options options;
          options.simulate = true;
          options.record_file = recording;
          options.record_interval_ms = 5;
          QTimer::singleShot(0, [signal] {
            Press("NextCMD");
            TopLevel("InitForm")->findChild<QWidget*>("PPCheck")->setProperty("checked", false);
            TopLevel("InitForm")->findChild<QWidget*>("SMBusCheck")->setProperty("checked", true);
            Press("NextCMD");
            Press("FinishCMD");
            // Rows pile up in memory for under a second, then the signal comes.
            QTimer::singleShot(300, [signal] { std::raise(signal); });
          });
          const int status = app::RunWizard(application, options, hardware, boxes);
          std::fprintf(stderr, "status=%d boxes=%zu rows %s\n", status, boxes.shown.size(),
                       RowsOnDiskText(recording).c_str());
          std::fflush(stderr);
          std::_Exit(status);
        },
        ExitedWithCode(0), "status=0 boxes=0 rows [1-9][0-9]* whole");
  }
}

}  // namespace
