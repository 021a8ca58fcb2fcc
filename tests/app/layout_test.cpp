// Every window and tab of the program, opened at the sizes people use, with every text checked
// where it stands: it fits its place and overlaps no other (app/layout_check). Qt takes the
// screen, its scaling and the font resolution once per process, so each size runs in a child
// process of this binary; the test of a size passes when its child finds nothing wrong.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>

#include "about/about_box.h"
#include "about/help_window.h"
#include "about/program_identity.h"
#include "access/declarations.h"
#include "app/layout_check.h"
#include "boxes/interval_dialog.h"
#include "boxes/restore_dialog.h"
#include "buslink/sim/simulated_hardware.h"
#include "display/main_form.h"
#include "menus/menu_features.h"
#include "menus/status_report.h"
#include "support/scripted_message_boxes.h"
#include "widgets/clickable_label.h"
#include "wizard/init_form.h"

namespace {

struct Size {
  const char* name;
  int width, height;     // the screen, in its own pixels
  const char* scale;     // QT_SCALE_FACTOR, or nullptr
  const char* font_dpi;  // QT_FONT_DPI, or nullptr
};

constexpr std::array<Size, 4> kSizes{{
    {"opening_size", 1920, 1080, nullptr, nullptr},
    {"laptop_1366x768_at_125", 1366, 768, "1.25", nullptr},
    {"scaled_2x", 2560, 1600, "2", nullptr},
    {"large_fonts_144dpi", 1920, 1080, nullptr, "144"},
}};

void PrintTo(const Size& size, std::ostream* out) {
  *out << size.name;
}

std::string g_program;  // this binary, to run itself as a child

// The simulated chips of the built-in bench, at power-up (START clear), so the window also shows
// its note about a chip that does not monitor.
constexpr char kBench[] = R"({
  "printer_ports": [{"base": "0x378", "boards": [{"address": "0x5C"}]}],
  "smbus": {"present": true, "base_address": "0x5000", "chips": [{"address": "0x2D"}]}})";

buslink::sim::Scenario Scenario(const char* json) {
  return buslink::sim::Scenario::FromJson(json, "layout");
}

void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QApplication::processEvents();
  }
}

class Inspection {
 public:
  QStringList problems;

  void Check(QWidget* window, const QString& where, bool whole_page = false) {
    Settle();
    problems << TextProblems(window, where) << ScrollProblems(window, where, whole_page)
             << PictureProblems(window, where);
    // To see what was checked: KELVRAN_LAYOUT_SHOTS=<folder> keeps a picture of each state.
    const QString shots = qEnvironmentVariable("KELVRAN_LAYOUT_SHOTS");
    if (!shots.isEmpty()) {
      QString name = where;
      name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
      window->grab().save(QStringLiteral("%1/%2.png").arg(shots, name));
    }
  }

  void Wizard() {
    // With chips found: every page.
    buslink::sim::SimulatedHardware bench(Scenario(kBench));
    {
      devaccess::Declarations d(&bench);
      ScriptedMessageBoxes boxes;
      wizard::InitForm form(d, boxes);
      form.show();
      Check(&form, QStringLiteral("wizard, welcome"));
      Click(form, "NextCMD");
      Check(&form, QStringLiteral("wizard, media"));
      auto* stack = form.findChild<QStackedWidget*>();
      stack->setCurrentWidget(form.findChild<QWidget*>(QStringLiteral("SearchingPanel")));
      Check(&form, QStringLiteral("wizard, searching"));
      stack->setCurrentWidget(form.findChild<QWidget*>(QStringLiteral("SeclectComsMediumPanel")));
      Click(form, "NextCMD");
      Check(&form, QStringLiteral("wizard, results"));
    }
    // Nothing to find: the reasons below the pages.
    buslink::sim::SimulatedHardware empty(Scenario("{}"));
    devaccess::Declarations d(&empty);
    ScriptedMessageBoxes boxes;
    wizard::InitForm form(d, boxes);
    form.show();
    Click(form, "NextCMD");
    Click(form, "NextCMD");
    Check(&form, QStringLiteral("wizard, nothing found"));
  }

  void MainWindow() {
    buslink::sim::SimulatedHardware bench(Scenario(kBench));
    devaccess::Declarations d(&bench);
    d.comms_medium = 0;
    d.device_address = 0x2D;
    ScriptedMessageBoxes boxes;
    boxes.answers.push_back(boxes::MsgAnswer::No);  // the start notice: the chip stays at rest
    display::MainForm window(d, boxes);
    window.show();
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("Main_Form_Tab"));
    Check(&window, QStringLiteral("Main tab"));
    // It opens in the middle of the screen's free area (give or take a window frame), the whole of
    // it on the screen: not where the window system puts a window of the size it had when made.
    const QRect screen = window.screen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    const QPoint off_centre = frame.center() - screen.center();
    if (!screen.contains(frame) || std::abs(off_centre.x()) > 24 || std::abs(off_centre.y()) > 24) {
      problems << QStringLiteral("main window: opens at %1,%2 %3 on a free area of %4")
                      .arg(frame.x())
                      .arg(frame.y())
                      .arg(SizeText(frame.size()), SizeText(screen.size()));
    }

    tabs->setCurrentIndex(1);
    const QSize opened = window.size();
    for (int index = 1; index <= 50; ++index) {
      auto* label = window.findChild<widgets::ClickableLabel*>(
          QStringLiteral("read_writedisplaytext_%1").arg(index));
      label->Click();
      const QString where = QStringLiteral("Read/Write, %1 selected").arg(label->text().trimmed());
      Check(&window, where);
      if (window.size() != opened) {
        problems << QStringLiteral("%1: the window grew from %2 to %3")
                        .arg(where, SizeText(opened), SizeText(window.size()));
      }
    }

    tabs->setCurrentIndex(2);
    Check(&window, QStringLiteral("Visual Display"), true);
    for (const int index : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14}) {
      auto* label = window.findChild<widgets::ClickableLabel*>(
          QStringLiteral("visualdisplaytext_%1").arg(index));
      if (label->isHidden()) continue;
      label->Click();
      Check(&window, QStringLiteral("Visual Display, %1 chosen").arg(label->text()), true);
    }
    window.menu_features().status().Say(QStringLiteral(
        "Recording stopped: 1234 rows in /home/engineer/soak-tests/2026-12-06/overnight.csv"));
    Check(&window, QStringLiteral("Visual Display, with a message"), true);

    tabs->setCurrentIndex(3);
    Check(&window, QStringLiteral("Channel Mode/VID"));
  }

  void Boxes() {
    about::frmAbout about(about::ProgramVersion());
    about.show();
    Check(&about, QStringLiteral("About box"));

    boxes::IntervalDialog interval;
    interval.show();
    Check(&interval, QStringLiteral("recording interval"));

    std::vector<chip::RestoreStep> steps{{0x2B, "2.5V/Ext.Temp. High", 0xD3, 0xC0, 0xC0},
                                         {0x40, "Configuration 1", 0x00, 0x03, 0x03}};
    boxes::RestoreDialog restore(
        steps, QStringLiteral("This snapshot was taken from a chip on SMBus at 0x2E, not from "
                              "the chip in use; its values are restored all the same."));
    restore.show();
    Check(&restore, QStringLiteral("restore"));

    about::HelpWindow help(nullptr);
    help.ShowFile(QStringLiteral("/nowhere/KELVRAN.html"));
    help.show();
    Check(&help, QStringLiteral("help"));
  }

 private:
  static void Click(QWidget& window, const char* button) {
    QTest::mouseClick(window.findChild<QWidget*>(QString::fromLatin1(button)), Qt::LeftButton);
    Settle();
  }
};

// The child: this process's screen is the size named; prints what it finds, one line each.
int RunChild(int argc, char** argv, const Size& size) {
  QTemporaryDir dir;
  const QString config = dir.filePath(QStringLiteral("screen.json"));
  QFile file(config);
  file.open(QIODevice::WriteOnly);
  file.write(QStringLiteral(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": %1,)"
                            R"( "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96,)"
                            R"( "dpr": 1}]})")
                 .arg(size.width)
                 .arg(size.height)
                 .toUtf8());
  file.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
  if (size.scale != nullptr) qputenv("QT_SCALE_FACTOR", size.scale);
  if (size.font_dpi != nullptr) qputenv("QT_FONT_DPI", size.font_dpi);
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
  QApplication app(argc, argv);
  Inspection inspection;
  inspection.Wizard();
  inspection.MainWindow();
  inspection.Boxes();
  std::printf("screen %s: %d x %d logical, font %d px high\n", size.name,
              QApplication::primaryScreen()->geometry().width(),
              QApplication::primaryScreen()->geometry().height(),
              QFontMetrics(QApplication::font()).height());
  for (const QString& problem : inspection.problems) std::printf("%s\n", qPrintable(problem));
  return inspection.problems.isEmpty() ? 0 : 1;
}

class LayoutAtSize : public ::testing::TestWithParam<Size> {};

TEST_P(LayoutAtSize, EveryTextOfEveryWindowFitsAndNoneOverlaps) {
  const std::string command = g_program + " --layout-size=" + GetParam().name + " 2>&1";
  FILE* child = popen(command.c_str(), "r");
  ASSERT_NE(child, nullptr);
  std::string output;
  std::array<char, 4096> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), child) != nullptr) output += buffer.data();
  const int status = pclose(child);
  EXPECT_EQ(status, 0) << output;
  std::printf("%s", output.substr(0, output.find('\n') + 1).c_str());
}

INSTANTIATE_TEST_SUITE_P(Sizes, LayoutAtSize, ::testing::ValuesIn(kSizes),
                         [](const auto& size) { return std::string(size.param.name); });

}  // namespace

int main(int argc, char** argv) {
  g_program = argv[0];
  const std::string child_flag = "--layout-size=";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind(child_flag, 0) != 0) continue;
    for (const Size& size : kSizes) {
      if (arg.substr(child_flag.size()) == size.name) return RunChild(argc, argv, size);
    }
    std::fprintf(stderr, "no such size: %s\n", arg.c_str());
    return 2;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
