#include "editor/read_write_tab.h"

#include <QTimer>

namespace editor {

ReadWriteTab::ReadWriteTab(devaccess::Declarations& d, widgets::MessageBoxes& boxes,
                           QWidget* parent)
    : QWidget(parent), d_(d), boxes_(boxes), timer3_(new QTimer(this)) {
  timer3_->setObjectName(QStringLiteral("Timer3"));
}

void ReadWriteTab::Enter() {
  timer3_->stop();
}

void ReadWriteTab::StopTimer() {
  timer3_->stop();
}

}  // namespace editor
