#include "display/indicators.h"

#include <iterator>

#include "access/link_new_com_port.h"
#include "chip/register_catalogue.h"
#include "widgets/status_lamp.h"

namespace display {

namespace {

struct LampBit {
  int lamp;  // SSPanel11 element
  int bit;
};

// INT Status 1, by row: +Vccp1, +Vcc, +5V, +2.5V, Fan 1, Fan 2, External 1, Internal. The
// "External 2" lamp (element 11) has no bit of its own and is left alone.
constexpr LampBit kStatus1Lamps[] = {{0, 1}, {2, 2}, {4, 3}, {5, 0},
                                     {6, 6}, {7, 7}, {8, 5}, {9, 4}};
constexpr LampBit kStatus2Lamps[] = {{3, 0}, {1, 1}};  // +12V, +Vccp2
constexpr int kIntrusionLamp = 10;
constexpr int kIntrusionBit = 4;

void ShowBits(VisualContext& c, int value, const LampBit* begin, const LampBit* end) {
  for (const LampBit* p = begin; p != end; ++p) {
    c.v.SSPanel11[static_cast<std::size_t>(p->lamp)]->SetValue(((value >> p->bit) & 1) != 0);
  }
}

}  // namespace

void show_int_status_1(VisualContext& c) {
  ShowBits(c, c.d.value_read, std::begin(kStatus1Lamps), std::end(kStatus1Lamps));
}

void show_int_status_2(VisualContext& c) {
  ShowBits(c, c.d.value_read, std::begin(kStatus2Lamps), std::end(kStatus2Lamps));
  const int mirror = devaccess::ReadAt(c.d, chip::reg::kIntStatusMirror2);
  c.v.SSPanel11[kIntrusionLamp]->SetValue(((mirror >> kIntrusionBit) & 1) != 0);
}

void Intrusion_Click(VisualContext& c) {
  devaccess::WriteAt(c.d, chip::reg::kChassisClear, 0x80);
}

}  // namespace display
