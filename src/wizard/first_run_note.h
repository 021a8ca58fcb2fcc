#pragma once

#include <QFrame>
#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace wizard {

// Below the wizard's first pages on a computer where neither bus can be reached (no printer port,
// no SMBus adapter): why, and a way to try the program without a board. A newcomer who started
// the program from the desktop's menu has no terminal to type --simulate into, hence the button.
class FirstRunNote : public QFrame {
  Q_OBJECT

 public:
  // Starts the program anew on simulated hardware; false when it could not be started.
  using Launcher = std::function<bool()>;

  // The reasons each bus cannot be reached, as the backend words them.
  FirstRunNote(const std::string& printer_port_why, const std::string& smbus_why,
               QWidget* parent = nullptr);

  // Whether the note has anything to say: only when neither bus can be reached.
  static bool Needed(const std::string& printer_port_why, const std::string& smbus_why) {
    return !printer_port_why.empty() && !smbus_why.empty();
  }

  void SetLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

 signals:
  // The simulated program is on its way: this one can end.
  void started();

 private:
  void StartSimulated();

  QString text_shown_;
  QLabel* text_ = nullptr;
  QPushButton* button_ = nullptr;
  Launcher launcher_;
};

// Starts this program's own executable with --simulate, apart from this process.
bool StartThisProgramSimulated();

}  // namespace wizard
