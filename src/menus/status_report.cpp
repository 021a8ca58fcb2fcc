#include "menus/status_report.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "chip/monitoring.h"
#include "widgets/labels.h"

namespace menus {

namespace {

// What a window manager adds above and below a window: its title bar and borders.
constexpr int kWindowFrameHeight = 48;

QString NotMonitoringText() {
  return QStringLiteral("The chip is not monitoring: ") +
         QString::fromUtf8(chip::kStartClear.data(),
                           static_cast<qsizetype>(chip::kStartClear.size())) +
         QStringLiteral(
             ". Start it with EasySetup (Visual Display tab) or START on the "
             "Read/Write tab.");
}

}  // namespace

StatusReport::StatusReport(QWidget* window) : QObject(window), bar_(new QFrame(window)) {
  setObjectName(QStringLiteral("status_report"));
  bar_->setObjectName(QStringLiteral("status_bar"));
  bar_->hide();
}

void StatusReport::Appear(bool grow) {
  if (message_ != nullptr) return;
  auto* frame = static_cast<QFrame*>(bar_);
  frame->setFrameShape(QFrame::StyledPanel);
  // The note on a line of its own above the last action and the recording, each wrapping rather
  // than cut.
  not_monitoring_ = widgets::MakePlainLabel(QStringLiteral("not_monitoring_note"), QString(), bar_);
  not_monitoring_->setWordWrap(true);
  not_monitoring_->hide();
  QPalette warn = not_monitoring_->palette();
  warn.setColor(QPalette::WindowText, QColor(0xA0, 0x10, 0x10));  // 6.9:1 on the window colour
  not_monitoring_->setPalette(warn);
  message_ = widgets::MakePlainLabel(QStringLiteral("status_message"), QString(), bar_);
  message_->setWordWrap(true);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);  // a path to copy
  recording_ = widgets::MakePlainLabel(QStringLiteral("recording_indicator"), QString(), bar_);
  recording_->hide();
  auto* column = new QVBoxLayout(bar_);
  column->setContentsMargins(6, 3, 6, 3);
  column->setSpacing(2);
  column->addWidget(not_monitoring_);
  auto* row = new QHBoxLayout;
  row->addWidget(message_, 1);
  row->addWidget(recording_, 0, Qt::AlignRight | Qt::AlignTop);
  column->addLayout(row);
  bar_->show();
  // What the user's own action says makes room for itself at once; a note that comes with a
  // reading (a register chosen on the Read/Write tab) leaves the window as it is until the user
  // turns the page.
  if (grow) {
    Grow();
  } else {
    room_owed_ = true;
  }
}

void StatusReport::GiveBackRoom() {
  if (room_owed_) Grow();
}

void StatusReport::Grow() {
  room_owed_ = false;
  QWidget* window = bar_->window();
  const QScreen* screen = window->screen();
  if (window->isVisible() && screen != nullptr && !window->isMaximized() &&
      !window->isFullScreen()) {
    const int room = screen->availableGeometry().height() - kWindowFrameHeight;
    window->resize(window->width(), std::min(room, window->height() + bar_->sizeHint().height()));
  }
}

void StatusReport::Say(const QString& what) {
  Appear(true);
  message_->setText(what);
  message_->setVisible(!what.isEmpty());
}

QString StatusReport::Said() const {
  return message_ != nullptr ? message_->text() : QString();
}

void StatusReport::SetRecording(const QString& indicator) {
  if (indicator.isEmpty() && recording_ == nullptr) return;
  Appear(true);
  if (recording_->text() != indicator) recording_->setText(indicator);
  recording_->setVisible(!indicator.isEmpty());
}

void StatusReport::SetNotMonitoring(bool not_monitoring) {
  if (!not_monitoring && not_monitoring_ == nullptr) return;
  Appear(false);
  if (not_monitoring && not_monitoring_->text().isEmpty()) {
    not_monitoring_->setText(NotMonitoringText());
  }
  not_monitoring_->setVisible(not_monitoring);
}

}  // namespace menus
