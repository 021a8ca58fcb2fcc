#pragma once

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "buslink/bus_trace.h"
#include "buslink/sim/simulated_hardware.h"
#include "channels/aout_slider.h"
#include "display/visual_display_tab.h"
#include "support/qstring_printer.h"
#include "support/scripted_message_boxes.h"
#include "widgets/linear_gauge.h"
#include "widgets/status_lamp.h"
#include "widgets/strip_chart.h"

// The Visual Display tab on a simulated chip, either on the SMBus at 0x2D or on the evaluation
// board at 0x5C of the printer port at 0x378, with pinned registers (START stays clear unless a
// test sets it) and every transfer kept in a trace.
class VisualDisplayTest : public ::testing::Test {
 protected:
  enum class Medium { SMBus, PrinterPort };

  void Start(const std::string& chip_json, Medium medium = Medium::SMBus) {
    const std::string scenario =
        R"({"smbus": {"present": true, "chips": [{"address": "0x2D"}]},
            "printer_ports": [{"base": "0x378", "boards": [{"address": "0x5C"}]}],
            "chip": )" +
        chip_json + "}";
    tab_.reset();
    d_.bus_link.reset();
    trace_.KeepLines(true);
    hardware_ = std::make_unique<buslink::sim::SimulatedHardware>(
        buslink::sim::Scenario::FromJson(scenario, "test"), &trace_);
    d_.backend = hardware_.get();
    if (medium == Medium::SMBus) {
      d_.comms_medium = 0;
      d_.device_address = 0x2D;
    } else {
      d_.comms_medium = 1;
      d_.pp_base_address = 0x378;
      d_.device_address = 0x5C;
    }
    // What the main window's load does before the tab can be entered.
    d_.fan1_divisor = 1;
    d_.fan2_divisor = 1;
    tab_ = std::make_unique<display::VisualDisplayTab>(d_, boxes_);
    tab_->resize(1000, 700);
    tab_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tab_.get()));
    Settle();
  }
  void StartWithRegisters(const std::string& registers_json, Medium medium = Medium::SMBus) {
    Start(R"({"registers": )" + registers_json + "}", medium);
  }

  // Enters the tab, stops the display cycle (tests run its ticks themselves, so no tick slips
  // in while Qt Test processes events), lets the layout settle and forgets the transfers.
  void Enter() {
    tab_->Enter();
    tab_->StopTimer();
    Settle();
    trace_.ClearLines();
  }
  // Pending layout requests done, so the controls stand where the mouse will be sent.
  void Settle() { QTest::qWait(20); }

  template <class T>
  T* Find(const QString& name) {
    auto* w = tab_->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  QLabel* Label(int index) {
    return Find<QLabel>(QStringLiteral("visualdisplaytext_%1").arg(index));
  }
  widgets::StatusLamp* Lamp(int index) {
    return Find<widgets::StatusLamp>(QStringLiteral("SSPanel11_%1").arg(index));
  }
  widgets::LinearGauge* Gauge() {
    return Find<widgets::LinearGauge>(QStringLiteral("limits_gauge"));
  }
  widgets::StripChart* Chart() { return Find<widgets::StripChart>(QStringLiteral("Strip2")); }
  channels::AoutSlider* Slider() {
    return Find<channels::AoutSlider>(QStringLiteral("aout_slider"));
  }
  QTimer* VisualTimer() { return Find<QTimer>(QStringLiteral("visual_timer")); }

  QRgb Colour(int index) { return Label(index)->palette().color(QPalette::WindowText).rgb(); }
  // Clicks a label as the user does; returns whether that started the display cycle, which it
  // then stops again.
  bool ClickLabel(int index) {
    QLabel* label = Label(index);
    QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
    const bool ticking = VisualTimer()->isActive();
    tab_->StopTimer();
    Settle();
    return ticking;
  }

  std::vector<std::string> TakeTrace() {
    std::vector<std::string> lines = trace_.Lines();
    trace_.ClearLines();
    return lines;
  }
  // Only the writes, in order.
  std::vector<std::string> TakeWrites() {
    std::vector<std::string> writes;
    for (const std::string& line : TakeTrace()) {
      if (line.find(" W ") != std::string::npos) writes.push_back(line);
    }
    return writes;
  }
  buslink::sim::Chip& Chip() {
    return d_.comms_medium == 1 ? *hardware_->BoardChip(0, 0x5C) : *hardware_->SMBusChip(0x2D);
  }

  buslink::BusTrace trace_;
  std::unique_ptr<buslink::sim::SimulatedHardware> hardware_;
  devaccess::Declarations d_;
  ScriptedMessageBoxes boxes_;
  std::unique_ptr<display::VisualDisplayTab> tab_;
};
