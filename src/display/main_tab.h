#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace display {

// Tab 0, "Main": the program's title and version, the help hint, the note about the start bit and
// the "About" button (Command3).
class MainTab : public QWidget {
  Q_OBJECT

 public:
  explicit MainTab(QWidget* parent = nullptr);

  void SetVersionCaption(const QString& caption);  // lblVersion
  QPushButton* about_button() const { return command3_; }

 private:
  QLabel* lbl_version_;
  QPushButton* command3_;
};

}  // namespace display
