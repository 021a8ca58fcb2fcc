#include "display/easy_setup.h"

#include <QLabel>
#include <QString>

#include "access/link_new_com_port.h"
#include "channels/aout_slider.h"
#include "chip/channels.h"
#include "chip/register_catalogue.h"
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

namespace ch = chip::channel;

// Fan and analog-input limits, then every voltage limit high before low, then temperatures.
constexpr RegisterValue kDefaultLimits[] = {
    {ch::kAin2.high_register, 0xA8},     {ch::kAin2.low_register, 0x89},
    {ch::kFan1.low_register, 0xA9},      {ch::kV25.high_register, 0xD3},
    {ch::kV25.low_register, 0xAB},       {ch::kVcc33.high_register, 0xD3},
    {ch::kVcc33.low_register, 0xAB},     {ch::kV5.high_register, 0xD3},
    {ch::kV5.low_register, 0xAB},        {ch::kV12.high_register, 0xD3},
    {ch::kV12.low_register, 0xAB},       {ch::kVccp2.high_register, 0x8C},
    {ch::kVccp2.low_register, 0x72},     {ch::kExternal1.high_register, 0x5A},  // 90 C
    {ch::kExternal1.low_register, 0x00}, {ch::kInternal.high_register, 0x5A},
    {ch::kInternal.low_register, 0x00},  {chip::reg::kIntMask1, 0x00},
    {chip::reg::kIntMask2, 0x00},
};

constexpr int kNoCore = 31;

}  // namespace

std::optional<Vccp1Limits> Vccp1LimitsForVid(int vid_code) {
  if (vid_code < 0 || vid_code >= static_cast<int>(kVccp1Table.size())) return std::nullopt;
  return kVccp1Table[static_cast<std::size_t>(vid_code)];
}

void EasySetup(VisualContext& c) {
  devaccess::Declarations& d = c.d;
  VisualDisplayView& v = c.v;
  WriteAt(d, chip::reg::kConfiguration1, 0x03);  // START and INT Enable
  WriteAt(d, chip::reg::kChannelMode, 0x02);     // FAN1 a fan, FAN2 an analog input
  WriteAt(d, chip::reg::kVidFanDivisor, 0x50);   // both divisors 2

  // The tab follows Channel Mode 0x02 at once.
  v.visualdisplaytext[3]->setText(QStringLiteral("Fan 1"));
  v.visualdisplaytext[4]->setText(QStringLiteral("AIN 2"));
  v.visualdisplaytext[14]->setVisible(false);
  v.SSPanel11[11]->setVisible(false);
  d.fan1_mode_flag = 1;
  d.fan2_mode_flag = 0;
  d.chmode_bit2_flag = 0;
  d.chmode_bit3_flag = 1;

  WriteAt(d, chip::reg::kAnalogOutput, 0xFF);
  v.aout_slider->ShowRegisterValue(255);

  for (const RegisterValue& r : kDefaultLimits) WriteAt(d, r.reg, r.value);

  // The +12V gauge set up here already shows the limits just written.
  visualdisplaytext_Click(c, 1);
  visualdisplaytext_Click(c, 12);

  const int vid_low = ReadAt(d, chip::reg::kVidFanDivisor) & 0x0F;
  const int vid4 = ReadAt(d, chip::reg::kVid4) & 0x01;
  const int vid_code = (vid4 << 4) | vid_low;
  if (vid_code == kNoCore) {
    c.boxes.Show(v.box_parent, QStringLiteral("vid_no_core"), QStringLiteral("Warning"),
                 QStringLiteral("VID bits indicate No Core, Vccp Limits not Set"),
                 boxes::MsgIcon::None, boxes::MsgButtons::Ok);
  } else if (const auto limits = Vccp1LimitsForVid(vid_code)) {
    WriteAt(d, ch::kVccp1.low_register, limits->low);
    WriteAt(d, ch::kVccp1.high_register, limits->high);
  }

  v.visualdisplaytext[7]->setVisible(true);
  v.visualdisplaytext[9]->setVisible(true);
  v.SSPanel11[1]->setVisible(true);
  v.SSPanel11[5]->setVisible(true);
}

}  // namespace display
