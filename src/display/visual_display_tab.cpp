#include "display/visual_display_tab.h"

#include <QTimer>

namespace display {

VisualDisplayTab::VisualDisplayTab(devaccess::Declarations& d, widgets::MessageBoxes& boxes,
                                   QWidget* parent)
    : QWidget(parent), d_(d), boxes_(boxes), visual_timer_(new QTimer(this)) {
  visual_timer_->setObjectName(QStringLiteral("visual_timer"));
}

void VisualDisplayTab::Enter() {
  d_.hover_label_index = 1;
  visual_timer_->setInterval(1);
  visual_timer_->start();
}

void VisualDisplayTab::StopTimer() {
  visual_timer_->stop();
}

void VisualDisplayTab::EasySetup() {}

}  // namespace display
