#pragma once

#include <QMainWindow>

#include "access/declarations.h"
#include "widgets/message_boxes.h"

namespace display {

// The main window: four tabs, the three timers' tab rules, the start notice. Constructing it is
// the window's load (version caption, help set-up, fan divisors); the wizard constructs it unseen
// when the first search starts and shows it at Finish.
class MainForm : public QMainWindow {
  Q_OBJECT

 public:
  MainForm(devaccess::Declarations& d, widgets::MessageBoxes& boxes, QWidget* parent = nullptr);
  ~MainForm() override;

 private:
  devaccess::Declarations& d_;
  widgets::MessageBoxes& boxes_;
};

}  // namespace display
