#pragma once

#include <QTimer>

#include "channels/aout_slider.h"
#include "chart/strip_chart.h"
#include "display/visual_display_tab.h"
#include "support/sim_window_test.h"
#include "widgets/linear_gauge.h"
#include "widgets/status_lamp.h"

// The Visual Display tab on the simulated chip. Tests run the display cycle's ticks themselves,
// so no tick slips in while Qt Test processes events.
class VisualDisplayTest : public SimWindowTest<display::VisualDisplayTab> {
 protected:
  void Prepare() override {  // what the main window's load does before the tab can be entered
    d_.fan1_divisor = 1;
    d_.fan2_divisor = 1;
  }
  void Enter() {
    window_->Enter();
    window_->StopTimer();
    Mark();
  }
  void OpenAndEnter(const std::string& registers, Medium medium = Medium::SMBus) {
    Open(registers, medium);
    Enter();
  }
  void Tick() { window_->visual_timer_Timer(); }
  // Clicks a label as the user does; returns whether that started the display cycle, which it
  // then stops again.
  bool ClickLabel(int index) {
    Click("visualdisplaytext", index);
    const bool ticking = VisualTimer()->isActive();
    window_->StopTimer();
    return ticking;
  }
  QLabel* Label(int index) { return Find<QLabel>("visualdisplaytext", index); }
  QRgb Colour(int index) { return SimWindowTest::Colour(Label(index)); }
  widgets::StatusLamp* Lamp(int index) { return Find<widgets::StatusLamp>("SSPanel11", index); }
  widgets::LinearGauge* Gauge() { return Find<widgets::LinearGauge>("limits_gauge"); }
  chart::StripChart* Chart() { return Find<chart::StripChart>("Strip2"); }
  channels::AoutSlider* Slider() { return Find<channels::AoutSlider>("aout_slider"); }
  QTimer* VisualTimer() { return Find<QTimer>("visual_timer"); }
};
