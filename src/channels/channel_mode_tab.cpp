#include "channels/channel_mode_tab.h"

#include <QTimer>

namespace channels {

ChannelModeTab::ChannelModeTab(devaccess::Declarations& d, widgets::MessageBoxes& boxes,
                               QWidget* parent)
    : QWidget(parent), d_(d), boxes_(boxes), vid_channel_mode_(new QTimer(this)) {
  vid_channel_mode_->setObjectName(QStringLiteral("vid_channel_mode"));
}

void ChannelModeTab::Enter() {
  vid_channel_mode_->setInterval(50);
  vid_channel_mode_->start();
}

void ChannelModeTab::StopTimer() {
  vid_channel_mode_->stop();
}

}  // namespace channels
