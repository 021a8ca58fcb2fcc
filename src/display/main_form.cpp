#include "display/main_form.h"

namespace display {

MainForm::MainForm(devaccess::Declarations& d, widgets::MessageBoxes& boxes, QWidget* parent)
    : QMainWindow(parent), d_(d), boxes_(boxes) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("KELVRAN Evaluation Software"));
  d_.fan1_divisor = 1;
  d_.fan2_divisor = 1;
}

MainForm::~MainForm() = default;

}  // namespace display
