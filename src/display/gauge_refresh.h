#pragma once

#include "access/declarations.h"

namespace widgets {
class LinearGauge;
}

// The gauge refresh routines, one per channel. With full_read 1 a routine loads the channel's
// limits onto the gauge's pointers and bands (and, for a fan, the divisor from register 0x47);
// with any other value it only refreshes the reading and the caption. The temperature routines
// do one or the other, never both. full_read is never changed.
namespace display {

using devaccess::Declarations;
using widgets::LinearGauge;

void read_vccp1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_vccp2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_vcc33_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_vcc5_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_5v_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_12v_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_25v_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_ain1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_ain2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_fan1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_fan2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_externaltemp1_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_internaltemp_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);
void read_externaltemp2_bargraph_stats(Declarations& d, LinearGauge& gauge, int& full_read);

// Runs the refresh routine of the gauge channel with that visualdisplaytext index (+Vcc on the
// scale chmode_bit3_flag chooses). An index without a gauge channel (0..2, 13) does nothing.
void RefreshGaugeChannel(Declarations& d, LinearGauge& gauge, int channel_index, int full_read);

}  // namespace display
