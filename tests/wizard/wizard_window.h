#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "access/declarations.h"
#include "buslink/bus_link.h"
#include "buslink/bus_trace.h"
#include "buslink/sim/simulated_hardware.h"
#include "support/qstring_printer.h"
#include "support/scripted_message_boxes.h"
#include "wizard/init_form.h"

inline const QRgb kDarkGreen = qRgb(0, 128, 0);
inline const QRgb kDarkRed = qRgb(192, 0, 0);
inline const QString kNoSMBus =
    QStringLiteral("Sorry, SMBus communication is only supported on Windows 95,98 and ME.");
inline const QString kNoneFound =
    QStringLiteral("Sorry, no KELVRANs were found. Please check all connections and try again");
// A chip's result line; with several adapters searched it names the chip's.
inline QString SMBusLine(const QString& address, const QString& adapter = {}) {
  return QStringLiteral("An KELVRAN was found at:%1h, on the SMBus").arg(address) +
         (adapter.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(adapter)) +
         QString(98, QLatin1Char(' ')) + QStringLiteral("SMBus") + address;
}
inline const QString kSMBus2DLine = SMBusLine(QStringLiteral("2D"));
inline QString PrinterLine(const QString& address, const QString& port, int number) {
  return QStringLiteral("Found an KELVRAN at:%1h, on printer port:%2h").arg(address, port) +
         QString(50, QLatin1Char(' ')) + QStringLiteral("Printer %1").arg(number);
}

// The wizard on a backend of the test's choosing, driven the way a user drives it.
class WizardWindow {
 public:
  explicit WizardWindow(buslink::Backend& backend) : d(&backend), form(d, boxes) {
    form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    // The search runs inside the click handler: the Searching panel shows a step only if it is
    // repainted there and then. Each paint is kept with what the window showed.
    Find("SearchingPanel")->installEventFilter(&watch_);
  }

  template <class T = QWidget>
  T* Find(const char* name) {
    T* w = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString Text(const char* label) { return Find<QLabel>(label)->text(); }
  bool Enabled(const char* name) { return Find(name)->isEnabled(); }
  bool Ticked(const char* box) { return Find<QCheckBox>(box)->isChecked(); }
  QRgb Colour(const char* label) {
    return Find<QLabel>(label)->palette().color(QPalette::WindowText).rgb();
  }
  // The panel in view and which of Cancel, Back, Next, Finish are on, as "<panel> CBNF"
  // with '-' for a button that is off.
  std::string Shows() {
    std::string shown;
    for (const char* p :
         {"WelcomePanel", "SeclectComsMediumPanel", "SearchingPanel", "SearchResultsPanel"}) {
      if (Find(p)->isVisible()) shown += p;
    }
    shown += ' ';
    for (const char* b : {"CancelCMD", "BackCMD", "NextCMD", "FinishCMD"}) {
      shown += Enabled(b) ? b[0] : '-';
    }
    return shown;
  }

  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
  // Clicks the box's indicator, where a user clicks.
  void ClickCheck(const char* name) {
    auto* box = Find<QCheckBox>(name);
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
  }
  // Next to the medium panel, ticks the SMBus box and unticks the printer port box as asked.
  void ToMedia(bool printer_port, bool smbus) {
    Click("NextCMD");
    if (!printer_port) ClickCheck("PPCheck");
    if (smbus) ClickCheck("SMBusCheck");
    EXPECT_EQ(Ticked("PPCheck"), printer_port);
    EXPECT_EQ(Ticked("SMBusCheck"), smbus);
  }
  // Selects everything in the base address box and types over it, key by key.
  void TypeBase(const QString& keys) {
    auto* box = Find<QLineEdit>("SMBusBaseAddressTXT");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, keys);
  }
  QString Base() { return Find<QLineEdit>("SMBusBaseAddressTXT")->text(); }

  QStringList Lines() {
    QStringList lines;
    auto* list = Find<QListWidget>("SearchResultsLIST");
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
  }
  // Clicks line `row` of the results list, scrolling it into view first.
  void SelectLine(int row) {
    auto* list = Find<QListWidget>("SearchResultsLIST");
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
    EXPECT_EQ(list->currentRow(), row);
  }

  // The values the Searching panel was painted with: 0 as it comes into view, then each new one,
  // with the bar's maximum and the search busy (all four buttons off, the hourglass).
  std::vector<int> PaintedSteps(int maximum) {
    std::vector<int> values;
    for (const Paint& p : paints) {
      if (values.empty() || values.back() != p.value) values.push_back(p.value);
      if (p.value == 0) continue;
      EXPECT_EQ(p.maximum, maximum);
      EXPECT_TRUE(p.busy) << "step to " << p.value;
    }
    EXPECT_EQ(Find<QProgressBar>("SearchProgress")->value(), 0) << "the bar is reset";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the pointer is restored";
    paints.clear();
    return values;
  }

  ScriptedMessageBoxes boxes;
  devaccess::Declarations d;
  wizard::InitForm form;
  struct Paint {
    int value, maximum;
    bool busy;
  };
  std::vector<Paint> paints;

 private:
  void Painted() {
    auto* bar = Find<QProgressBar>("SearchProgress");
    bool busy = true;
    for (const char* b : {"CancelCMD", "BackCMD", "NextCMD", "FinishCMD"}) busy &= !Enabled(b);
    const QCursor* cursor = QApplication::overrideCursor();
    busy &= cursor != nullptr && cursor->shape() == Qt::WaitCursor;
    paints.push_back({bar->value(), bar->maximum(), busy});
  }
  struct Watch : QObject {
    explicit Watch(WizardWindow* w) : window(w) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) window->Painted();
      return false;
    }
    WizardWindow* window;
  } watch_{this};
};

// A fresh wizard on a fresh simulated computer; every transfer is kept in the trace.
class WizardTest : public ::testing::Test {
 protected:
  WizardWindow& Start(const std::string& scenario) {
    wizard_.reset();
    trace_.KeepLines(true);
    trace_.ClearLines();
    hardware_ = std::make_unique<buslink::sim::SimulatedHardware>(
        buslink::sim::Scenario::FromJson(scenario, "test"), &trace_);
    wizard_ = std::make_unique<WizardWindow>(*hardware_);
    return *wizard_;
  }
  const std::vector<std::string>& Trace() const { return trace_.Lines(); }

  buslink::BusTrace trace_;
  std::unique_ptr<buslink::sim::SimulatedHardware> hardware_;
  std::unique_ptr<WizardWindow> wizard_;  // destroyed first: it still talks to the hardware
};
