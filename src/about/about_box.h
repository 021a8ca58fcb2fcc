#pragma once

#include <QDialog>

#include "about/program_identity.h"

class QLabel;
class QPushButton;

namespace about {

// The About box: the program's title, its version and what it is for. An ordinary window beside
// the main window, not a modal one; "OK" (also Enter and Esc) closes it and it deletes itself.
class frmAbout : public QDialog {
  Q_OBJECT

 public:
  // adapter: the chip's I2C adapter, named below the version when the search covered several;
  // empty (one adapter, or a printer port) leaves the box as it always was.
  explicit frmAbout(const AppVersion& version, QWidget* parent = nullptr,
                    const QString& adapter = QString());

  // Esc presses "OK", the box's cancel button.
  void reject() override;

 private:
  void Form_Load();
  void cmdOK_Click();

  AppVersion version_;
  QLabel* lbl_title_;
  QLabel* lbl_version_;
  QPushButton* cmd_ok_;
};

}  // namespace about
