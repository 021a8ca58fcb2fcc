#include "display/easy_setup.h"

#include <QLabel>
#include <QString>

#include "access/link_new_com_port.h"
#include "access/register_catalogue.h"
#include "channels/aout_slider.h"
#include "display/channel_labels.h"
#include "widgets/status_lamp.h"

namespace display {

namespace {

using devaccess::ReadAt;
using devaccess::WriteAt;

// Indexed by VID code 0..30.
constexpr std::array<Vccp1Limits, 31> kVccp1Table{{
    {130, 159}, {127, 156}, {124, 152}, {121, 148}, {117, 144}, {114, 140}, {111, 136}, {108, 132},
    {105, 128}, {101, 124}, {98, 120},  {95, 116},  {92, 112},  {88, 108},  {85, 105},  {82, 101},
    {223, 255}, {217, 255}, {211, 255}, {204, 250}, {198, 242}, {191, 234}, {185, 226}, {178, 218},
    {172, 211}, {166, 203}, {159, 195}, {153, 187}, {146, 179}, {140, 171}, {133, 163},
}};

struct RegisterValue {
  int reg;
  int value;
};

// Fan and analog-input limits, then every voltage limit high before low, then temperatures.
constexpr RegisterValue kDefaultLimits[] = {
    {0x3C, 0xA8}, {0x1B, 0x89}, {0x3B, 0xA9},                              // AIN2/FAN2, FAN1
    {0x2B, 0xD3}, {0x2C, 0xAB}, {0x2F, 0xD3}, {0x30, 0xAB}, {0x31, 0xD3},  // +2.5V, +Vcc, +5V
    {0x32, 0xAB}, {0x33, 0xD3}, {0x34, 0xAB}, {0x35, 0x8C}, {0x36, 0x72},  // +12V, +Vccp2
    {0x37, 0x5A}, {0x38, 0x00}, {0x39, 0x5A}, {0x3A, 0x00},                // 90 C and 0 C
    {0x43, 0x00}, {0x44, 0x00},                                            // interrupt masks
};

constexpr int kNoCore = 31;
constexpr int kVccp1LowLimit = 0x2E;
constexpr int kVccp1HighLimit = 0x2D;

}  // namespace

std::optional<Vccp1Limits> Vccp1LimitsForVid(int vid_code) {
  if (vid_code < 0 || vid_code >= static_cast<int>(kVccp1Table.size())) return std::nullopt;
  return kVccp1Table[static_cast<std::size_t>(vid_code)];
}

void EasySetup(VisualContext& c) {
  devaccess::Declarations& d = c.d;
  VisualDisplayView& v = c.v;
  WriteAt(d, devaccess::reg::kConfiguration1, 0x03);  // START and INT Enable
  WriteAt(d, devaccess::reg::kChannelMode, 0x02);     // FAN1 a fan, FAN2 an analog input
  WriteAt(d, devaccess::reg::kVidFanDivisor, 0x50);   // both divisors 2

  // The tab follows Channel Mode 0x02 at once.
  v.visualdisplaytext[3]->setText(QStringLiteral("Fan 1"));
  v.visualdisplaytext[4]->setText(QStringLiteral("AIN 2"));
  v.visualdisplaytext[14]->setVisible(false);
  v.SSPanel11[11]->setVisible(false);
  d.fan1_mode_flag = 1;
  d.fan2_mode_flag = 0;
  d.chmode_bit2_flag = 0;
  d.chmode_bit3_flag = 1;

  WriteAt(d, devaccess::reg::kAnalogOutput, 0xFF);
  v.aout_slider->ShowRegisterValue(255);

  for (const RegisterValue& r : kDefaultLimits) WriteAt(d, r.reg, r.value);

  // The +12V gauge set up here already shows the limits just written.
  visualdisplaytext_Click(c, 1);
  visualdisplaytext_Click(c, 12);

  const int vid_low = ReadAt(d, devaccess::reg::kVidFanDivisor) & 0x0F;
  const int vid4 = ReadAt(d, devaccess::reg::kVid4) & 0x01;
  const int vid_code = (vid4 << 4) | vid_low;
  if (vid_code == kNoCore) {
    c.boxes.Show(v.box_parent, QStringLiteral("vid_no_core"), QStringLiteral("Warning"),
                 QStringLiteral("VID bits indicate No Core, Vccp Limits not Set"),
                 widgets::MsgIcon::None, widgets::MsgButtons::Ok);
  } else if (const auto limits = Vccp1LimitsForVid(vid_code)) {
    WriteAt(d, kVccp1LowLimit, limits->low);
    WriteAt(d, kVccp1HighLimit, limits->high);
  }

  v.visualdisplaytext[7]->setVisible(true);
  v.visualdisplaytext[9]->setVisible(true);
  v.SSPanel11[1]->setVisible(true);
  v.SSPanel11[5]->setVisible(true);
}

}  // namespace display
