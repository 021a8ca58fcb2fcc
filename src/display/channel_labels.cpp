#include "display/channel_labels.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QTimer>

#include "display/display_cycle.h"
#include "widgets/status_lamp.h"

namespace display {

namespace {

bool IsHeading(int index) {
  return index >= 0 && index <= 2;
}
bool IsChannel(int index) {
  return (index >= 3 && index <= 12) || index == 14;
}

void SetCaption(QLabel* label, const QString& text) {
  if (label->text() != text) label->setText(text);
}

}  // namespace

QRgb NormalLabelColour() {
  return QGuiApplication::palette().color(QPalette::Dark).rgb();
}

QLabel* VisualLabel(const VisualDisplayView& v, int index) {
  if (index < 0 || index >= VisualDisplayView::kLabelCount) return nullptr;
  return v.visualdisplaytext[static_cast<std::size_t>(index)];
}

void visualdisplaytext_MouseMove(VisualContext& c, int index) {
  QLabel* label = VisualLabel(c.v, index);
  if (label == nullptr) return;
  c.d.hover_label_index = static_cast<std::int16_t>(index);
  if (c.d.vd_selected_index != index) {
    if (QLabel* previous = VisualLabel(c.v, c.d.vd_selected_index)) {
      const QRgb colour = LabelColour(previous);
      if (colour == kLabelHover) SetLabelColour(previous, NormalLabelColour());
      if (colour == kLabelChosenHover) SetLabelColour(previous, kLabelChosen);
    }
    c.d.vd_selected_index = static_cast<std::int16_t>(index);
  }
  const QRgb colour = LabelColour(label);
  if (colour == NormalLabelColour()) SetLabelColour(label, kLabelHover);
  if (colour == kLabelChosen) SetLabelColour(label, kLabelChosenHover);
}

void visualdisplaytext_Click(VisualContext& c, int index) {
  QLabel* label = VisualLabel(c.v, index);
  if (label == nullptr) return;
  c.d.vd_selected_index = static_cast<std::int16_t>(index);

  // Headings and channels are separate choices: choosing one leaves the other group alone.
  if (LabelColour(label) == kLabelChosenHover) {
    SetLabelColour(label, kLabelHover);
  } else {
    for (int other = 0; other < VisualDisplayView::kLabelCount; ++other) {
      QLabel* o = VisualLabel(c.v, other);
      if (o == nullptr || other == index) continue;
      if ((IsHeading(index) && IsHeading(other)) || (IsChannel(index) && IsChannel(other))) {
        SetLabelColour(o, NormalLabelColour());
      }
    }
  }
  const QRgb colour = LabelColour(label);
  if (colour == kLabelChosen || colour == NormalLabelColour()) {
    SetLabelColour(label, kLabelHover);
  } else if (colour == kLabelHover) {
    SetLabelColour(label, kLabelChosenHover);
  } else if (colour == kLabelChosenHover) {
    SetLabelColour(label, kLabelHover);
  }

  setup_strip_chart_and_gauge(c);
  c.v.visual_timer->setInterval(1);
  c.v.visual_timer->start();
}

void move_mouse_away(VisualContext& c) {
  QLabel* label = VisualLabel(c.v, c.d.hover_label_index);
  if (label == nullptr) return;
  if (LabelColour(label) == kLabelChosenHover) SetLabelColour(label, kLabelChosen);
  if (LabelColour(label) == kLabelHover) SetLabelColour(label, NormalLabelColour());
}

void ShowChannelMode(VisualContext& c, int channel_mode) {
  devaccess::Declarations& d = c.d;
  VisualDisplayView& v = c.v;
  const bool ain1 = (channel_mode & 0x01) != 0;
  SetCaption(v.visualdisplaytext[3], ain1 ? QStringLiteral("AIN 1") : QStringLiteral("Fan 1"));
  d.fan1_mode_flag = ain1 ? 0 : 1;
  const bool ain2 = (channel_mode & 0x02) != 0;
  SetCaption(v.visualdisplaytext[4], ain2 ? QStringLiteral("AIN 2") : QStringLiteral("Fan 2"));
  d.fan2_mode_flag = ain2 ? 0 : 1;

  // Bit 2 turns the 2.5V and Vccp2 pins into the second remote diode.
  const bool diode2 = (channel_mode & 0x04) != 0;
  v.visualdisplaytext[14]->setVisible(diode2);
  v.SSPanel11[11]->setVisible(diode2);
  v.visualdisplaytext[7]->setVisible(!diode2);
  v.visualdisplaytext[9]->setVisible(!diode2);
  v.SSPanel11[1]->setVisible(!diode2);
  v.SSPanel11[5]->setVisible(!diode2);
  d.chmode_bit2_flag = diode2 ? 1 : 0;

  d.chmode_bit3_flag = (channel_mode & 0x08) != 0 ? 0 : 1;
  v.visualdisplaytext[2]->setVisible(d.fan1_mode_flag == 1 || d.fan2_mode_flag == 1);
}

}  // namespace display
