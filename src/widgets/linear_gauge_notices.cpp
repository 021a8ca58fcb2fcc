#include "widgets/linear_gauge.h"

#include <QAccessible>
#include <QTimer>

#include "widgets/linear_gauge_parts.h"

// What accessibility tools hear of the gauge's values, reading and caption.
namespace widgets {

using namespace gauge_parts;

void LinearGauge::NoticeReadingChange(bool caption) {
  if (!QAccessible::isActive()) return;
  (caption ? caption_noticed_ : reading_noticed_) = true;
  if (notice_timer_ == nullptr) {
    notice_timer_ = new QTimer(this);
    notice_timer_->setSingleShot(true);
    notice_timer_->setInterval(kToolNoticeMs);
    connect(notice_timer_, &QTimer::timeout, this, &LinearGauge::SendReadingNotices);
  }
  // The first change is told at once; the ones that follow wait for the interval to pass.
  if (!notice_timer_->isActive()) SendReadingNotices();
}

void LinearGauge::SendReadingNotices() {
  if (!reading_noticed_ && !caption_noticed_) return;
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(this);
  if (iface != nullptr && reading_noticed_) {
    if (QAccessibleInterface* child = iface->child(0)) {
      QAccessibleValueChangeEvent event(child, reading_);
      QAccessible::updateAccessibility(&event);
    }
  }
  if (iface != nullptr && caption_noticed_) {
    if (QAccessibleInterface* child = iface->child(3)) {
      QAccessibleEvent event(child, QAccessible::NameChanged);
      QAccessible::updateAccessibility(&event);
    }
  }
  reading_noticed_ = false;
  caption_noticed_ = false;
  notice_timer_->start();
}

void LinearGauge::NotifyAccessibleValue(int slot) {
  if (!QAccessible::isActive() || (slot != kLowPointer && slot != kHighPointer)) return;
  if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(this)) {
    if (QAccessibleInterface* child = iface->child(slot == kLowPointer ? 1 : 2)) {
      QAccessibleValueChangeEvent event(child, PointerValue(slot));
      QAccessible::updateAccessibility(&event);
    }
  }
}

}  // namespace widgets
