#include "channels/channel_mode_tab.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "access/link_new_com_port.h"
#include "boxes/handler_edge.h"
#include "chip/register_catalogue.h"
#include "widgets/arrow_key_group.h"
#include "widgets/labels.h"
#include "widgets/toggle_switch.h"

namespace channels {

namespace {

using devaccess::ReadAt;
using devaccess::WriteAt;
namespace reg = chip::reg;

constexpr int kFan1Ain1Bit = 0x01;  // set: FAN1/AIN1 is an analog input
constexpr int kFan2Ain2Bit = 0x02;  // set: FAN2/AIN2 is an analog input
constexpr int kD2Bit = 0x04;        // set: the 2.5V and Vccp2 pins are the second remote diode
constexpr int kVcc5VBit = 0x08;     // set: Vcc is measured on its 5 V scale
constexpr int kMask12V = 0x01;      // INT Mask 2 bits
constexpr int kMaskVccp2 = 0x02;
constexpr int kMaskReserved2 = 0x04;

int WithBit(int value, int mask, bool set) {
  return set ? (value | mask) : (value & ~mask);
}

QLabel* MakeLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

ChannelModeTab::ChannelModeTab(devaccess::Declarations& d, boxes::MessageBoxes& boxes,
                               QWidget* parent)
    : QWidget(parent), d_(d), boxes_(boxes), vid_channel_mode_(new QTimer(this)) {
  vid_channel_mode_->setObjectName(QStringLiteral("vid_channel_mode"));
  connect(vid_channel_mode_, &QTimer::timeout, this,
          boxes::AtEdge(std::bind_front(&ChannelModeTab::show_channel_mode_and_vid, this)));
  BuildLayout();
}

void ChannelModeTab::BuildLayout() {
  auto* root = new QVBoxLayout(this);
  auto* intro = MakeLabel(QStringLiteral("Use this menu to graphically update the Channel Mode "
                                         "register and view the VID bits."),
                          "Label2", this);
  intro->setWordWrap(true);
  root->addWidget(intro);

  // One row per switch: the label of the first position, the switch, the label of the second.
  // Each switch is turned so that its switched-on end lies beside the label that means on.
  auto* toggles = new QGroupBox(QStringLiteral("Channel Mode"), this);
  toggles->setObjectName(QStringLiteral("channel_mode_panel"));
  auto* grid = new QGridLayout(toggles);
  struct Row {
    const char* name;
    const char* first;
    const char* first_name;
    const char* second;
    const char* second_name;
    bool on_is_first;
    widgets::ToggleSwitch** toggle;
    const char* pair;  // what screen readers call the switch
  };
  const Row rows[] = {
      {"fan1_ain1_toggle", "FAN 1", "Label7", "AIN 1", "Label8", false, &fan1_ain1_toggle_,
       "FAN1/AIN1"},
      {"fan2_ain2_toggle_1", "FAN 2", "Label9", "AIN 2", "Label10", true, &fan2_ain2_toggle_,
       "FAN2/AIN2"},
      {"d2p_25V_toggle", "D2+", "Label11", "2.5V", "Label12", true, &d2p_25V_toggle_, "D2+/2.5V"},
      {"d2n_vccp2_toggle_0", "D2-", "Label13", "Vccp2", "Label14", true, &d2n_vccp2_toggle_,
       "D2-/Vccp2"},
      {"Vcc_33_5_toggle", "5V", "Label15", "3.3V", "Label17", true, &Vcc_33_5_toggle_,
       "Vcc 5V/3.3V"},
  };
  int row = 0;
  for (const Row& r : rows) {
    auto* toggle = new widgets::ToggleSwitch(toggles);
    toggle->setObjectName(QString::fromLatin1(r.name));
    toggle->SetInverted(r.on_is_first);  // inverted: the left end means on
    toggle->setCursor(Qt::PointingHandCursor);
    const QString on = QString::fromLatin1(r.on_is_first ? r.first : r.second);
    const QString off = QString::fromLatin1(r.on_is_first ? r.second : r.first);
    toggle->setAccessibleName(QString::fromLatin1(r.pair));
    toggle->SetPositionNames(on + QStringLiteral(" mode"), off + QStringLiteral(" mode"));
    toggle->setToolTip(QStringLiteral("Switched on: %1; switched off: %2").arg(on, off));
    *r.toggle = toggle;
    QLabel* first = MakeLabel(QString::fromLatin1(r.first), r.first_name, toggles);
    QLabel* second = MakeLabel(QString::fromLatin1(r.second), r.second_name, toggles);
    first->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(first, row, 1);
    grid->addWidget(toggle, row, 2, Qt::AlignCenter);
    grid->addWidget(second, row, 3);
    ++row;
  }
  grid->addWidget(MakeLabel(QStringLiteral("Vcc"), "Label1", toggles), row - 1, 0);
  // The switches are one Tab stop; the arrow keys go from one to the next.
  std::vector<QWidget*> switches;
  for (const Row& r : rows) switches.push_back(*r.toggle);
  new widgets::ArrowKeyGroup(std::move(switches), this);
  grid->setColumnStretch(4, 1);
  root->addWidget(toggles);

  connect(fan1_ain1_toggle_, &widgets::ToggleSwitch::toggled, this,
          boxes::AtEdge(std::bind_front(&ChannelModeTab::fan1_ain1_toggle_Click, this)));
  connect(fan2_ain2_toggle_, &widgets::ToggleSwitch::toggled, this,
          boxes::AtEdge(std::bind_front(&ChannelModeTab::fan2_ain2_toggle_Click, this)));
  connect(Vcc_33_5_toggle_, &widgets::ToggleSwitch::toggled, this,
          boxes::AtEdge(std::bind_front(&ChannelModeTab::Vcc_33_5_toggle_Click, this)));
  connect(d2p_25V_toggle_, &widgets::ToggleSwitch::toggled, this,
          boxes::AtEdge([this] { d2_toggle_Click(d2p_25V_toggle_, d2n_vccp2_toggle_); }));
  connect(d2n_vccp2_toggle_, &widgets::ToggleSwitch::toggled, this,
          boxes::AtEdge([this] { d2_toggle_Click(d2n_vccp2_toggle_, d2p_25V_toggle_); }));

  // The VID row reads as a five-bit number, VID4 first.
  auto* vid = new QGroupBox(QStringLiteral("VID"), this);
  vid->setObjectName(QStringLiteral("vid_panel"));
  auto* vid_grid = new QGridLayout(vid);
  for (int bit = 4; bit >= 0; --bit) {
    const int column = 4 - bit;
    auto* heading = new QLabel(QString::number(bit), vid);
    heading->setAlignment(Qt::AlignCenter);
    auto* digit =
        new widgets::SpokenLabel(QStringLiteral("0"), QStringLiteral("VID %1").arg(bit), vid);
    digit->setObjectName(QStringLiteral("vid_bit_%1").arg(bit));
    digit->setAlignment(Qt::AlignCenter);
    widgets::SetBoldFont(digit, 1.5);
    vid_bit_[static_cast<std::size_t>(bit)] = digit;
    vid_grid->addWidget(heading, 0, column);
    vid_grid->addWidget(digit, 1, column);
  }
  vid_grid->setColumnStretch(5, 1);
  root->addWidget(vid);
  root->addStretch(1);
}

void ChannelModeTab::Enter() {
  ShowChipNow();
  vid_channel_mode_->setInterval(50);
  vid_channel_mode_->start();
}

void ChannelModeTab::ShowChipNow() {
  // Setting the switches from code announces nothing, so no handler runs and nothing is written.
  const int mode = ReadAt(d_, reg::kChannelMode);
  fan1_ain1_toggle_->SetValue((mode & kFan1Ain1Bit) != 0);
  fan2_ain2_toggle_->SetValue((mode & kFan2Ain2Bit) == 0);
  d2p_25V_toggle_->SetValue((mode & kD2Bit) != 0);
  d2n_vccp2_toggle_->SetValue((mode & kD2Bit) != 0);
  Vcc_33_5_toggle_->SetValue((mode & kVcc5VBit) != 0);
}

void ChannelModeTab::StopTimer() {
  vid_channel_mode_->stop();
}

void ChannelModeTab::fan1_ain1_toggle_Click() {
  const int mode = ReadAt(d_, reg::kChannelMode);
  WriteAt(d_, reg::kChannelMode, WithBit(mode, kFan1Ain1Bit, fan1_ain1_toggle_->Value()));
}

void ChannelModeTab::fan2_ain2_toggle_Click() {
  // Switched on means the fan input, so the bit is the switch's opposite.
  const int mode = ReadAt(d_, reg::kChannelMode);
  WriteAt(d_, reg::kChannelMode, WithBit(mode, kFan2Ain2Bit, !fan2_ain2_toggle_->Value()));
}

void ChannelModeTab::Vcc_33_5_toggle_Click() {
  const int mode = ReadAt(d_, reg::kChannelMode);
  WriteAt(d_, reg::kChannelMode, WithBit(mode, kVcc5VBit, Vcc_33_5_toggle_->Value()));
}

// The two D2 switches always stand together. Switching the second diode on masks the Vccp2
// interrupt, whose pin the diode takes over, clears the 12V mask bit and sets bit 2 of INT Mask 2;
// switching it off clears the Vccp2 and 12V mask bits before the pins go back to measuring
// voltages. The partner switch is set from code, which runs no handler of its own.
void ChannelModeTab::d2_toggle_Click(widgets::ToggleSwitch* switched,
                                     widgets::ToggleSwitch* partner) {
  if (switched->Value()) {
    partner->SetValue(true);
    int value = ReadAt(d_, reg::kChannelMode);
    WriteAt(d_, reg::kChannelMode, value | kD2Bit);
    value = ReadAt(d_, reg::kIntMask2);
    WriteAt(d_, reg::kIntMask2, value | kMaskVccp2);
    value = ReadAt(d_, reg::kIntMask2);
    WriteAt(d_, reg::kIntMask2, (value & ~kMask12V) | kMaskReserved2);
  } else {
    int value = ReadAt(d_, reg::kIntMask2);
    WriteAt(d_, reg::kIntMask2, value & ~kMaskVccp2);
    value = ReadAt(d_, reg::kIntMask2);
    WriteAt(d_, reg::kIntMask2, value & ~kMask12V);
    partner->SetValue(false);
    value = ReadAt(d_, reg::kChannelMode);
    WriteAt(d_, reg::kChannelMode, value & ~kD2Bit);
  }
}

void ChannelModeTab::show_channel_mode_and_vid() {
  const auto set_digit = [this](int bit, bool on) {
    QLabel* digit = vid_bit_[static_cast<std::size_t>(bit)];
    const QString text = on ? QStringLiteral("1") : QStringLiteral("0");
    if (digit->text() != text) digit->setText(text);
  };
  const int low = ReadAt(d_, reg::kVidFanDivisor);
  for (int bit = 0; bit < 4; ++bit) set_digit(bit, ((low >> bit) & 1) != 0);
  const int high = ReadAt(d_, reg::kVid4);
  set_digit(4, (high & 1) != 0);
}

}  // namespace channels
