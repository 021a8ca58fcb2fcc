#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "access/declarations.h"
#include "buslink/bus_trace.h"
#include "buslink/sim/simulated_hardware.h"
#include "support/qstring_printer.h"
#include "support/scripted_message_boxes.h"

enum class Medium { SMBus, PrinterPort };

// A window built as the program builds it, (Declarations, MessageBoxes), on simulated hardware:
// an SMBus chip at 7-bit 0x2D and an evaluation board at 0x5C on the printer port at 0x378, the
// Declarations wired to one of them. Every transfer is kept in a trace; boxes are answered from a
// script. Registers a scenario gives keep exactly their values while START is clear.
template <class Window>
class SimWindowTest : public ::testing::Test {
 protected:
  // A fresh run: chip is the scenario's "chip" object.
  void OpenChip(const std::string& chip, Medium medium = Medium::SMBus, bool show = true) {
    window_.reset();
    d_ = devaccess::Declarations();
    trace_.KeepLines(true);
    trace_.ClearLines();
    mark_ = 0;
    hardware_ = std::make_unique<buslink::sim::SimulatedHardware>(
        buslink::sim::Scenario::FromJson(
            R"({"smbus": {"present": true, "chips": [{"address": "0x2D"}]},
                "printer_ports": [{"base": "0x378", "boards": [{"address": "0x5C"}]}],
                "chip": )" +
                chip + "}",
            "test"),
        &trace_);
    d_.backend = hardware_.get();
    const bool pp = medium == Medium::PrinterPort;
    d_.comms_medium = pp ? 1 : 0;
    d_.pp_base_address = pp ? 0x378 : 0;
    d_.device_address = pp ? 0x5C : 0x2D;
    Prepare();
    window_ = std::make_unique<Window>(d_, boxes_);
    if (!show) return;
    window_->resize(1000, 700);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    QTest::qWait(20);  // pending layout done, so the mouse lands where the controls stand
  }
  void Open(const std::string& registers = "{}", Medium medium = Medium::SMBus) {
    OpenChip(R"({"registers": )" + registers + "}", medium);
  }
  // Whatever the program sets in the Declarations before this window comes up.
  virtual void Prepare() {}
  buslink::sim::Chip& Chip() {
    return d_.comms_medium == 1 ? *hardware_->BoardChip(0, 0x5C) : *hardware_->SMBusChip(0x2D);
  }

  // The trace lines since the last mark; the mark then moves past them.
  std::vector<std::string> Take() {
    const auto& lines = trace_.Lines();
    std::vector<std::string> since(lines.begin() + static_cast<std::ptrdiff_t>(mark_), lines.end());
    mark_ = lines.size();
    return since;
  }
  void Mark() { mark_ = trace_.Lines().size(); }
  std::size_t SinceMark() const { return trace_.Lines().size() - mark_; }
  std::vector<std::string> TakeWrites() {
    std::vector<std::string> writes;
    for (const std::string& line : Take())
      if (line.find(" W ") != std::string::npos) writes.push_back(line);
    return writes;
  }
  // Each line since the mark as its operation and register ("SMB 2D R 3E 41" gives "R 3E").
  std::vector<std::string> TakeOps() {
    std::vector<std::string> ops;
    for (const std::string& line : Take()) {
      const std::size_t device_end = line.find(' ', line.find(' ') + 1);
      ops.push_back(line.substr(device_end + 1, 4));
    }
    return ops;
  }

  // Controls by objectName; an array element is <name>_<index>.
  template <class T = QWidget>
  T* Find(const QString& name) {
    T* w = window_->template findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  template <class T = QWidget>
  T* Find(const char* name, int index = -1) {
    const QString n = QString::fromLatin1(name);
    return Find<T>(index < 0 ? n : QStringLiteral("%1_%2").arg(n).arg(index));
  }
  QString Text(const char* name, int index = -1) {
    auto* label = Find<QLabel>(name, index);
    return label != nullptr ? label->text() : QStringLiteral("<missing>");
  }
  static std::string Hex2(int value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper().toStdString();
  }
  // The Read/Write tab's eight digits, bit 7 first.
  QString Digits() {
    QString s;
    for (int k = 7; k >= 0; --k) s += Text(QStringLiteral("bit%1").arg(k).toLatin1().constData());
    return s;
  }
  static QRgb Colour(const QWidget* w) { return w->palette().color(QPalette::WindowText).rgb(); }
  static void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }
  void Click(const char* name, int index = -1) { Click(Find(name, index)); }

  buslink::BusTrace trace_;
  std::unique_ptr<buslink::sim::SimulatedHardware> hardware_;
  devaccess::Declarations d_;
  ScriptedMessageBoxes boxes_;
  std::unique_ptr<Window> window_;  // destroyed first: it still talks to the hardware

 private:
  std::size_t mark_ = 0;
};
