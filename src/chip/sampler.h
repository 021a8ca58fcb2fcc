#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "chip/alarm_store.h"
#include "chip/channels.h"

namespace chip {

// One channel as a sample saw it.
struct ChannelReading {
  const Channel* channel = nullptr;
  std::uint8_t raw = 0;
  double value = 0.0;    // volts, whole degrees or RPM; 0 when stalled
  bool stalled = false;  // a fan count of 255: stopped, or slower than its divisor can count
  std::uint8_t low_raw = 0;
  std::uint8_t high_raw = 0;
  double low = 0.0;
  double high = 0.0;
  bool has_high = false;  // a fan has only its low limit
  bool alarm = false;     // its INT Status bit latched since the previous sample
};

// A channel's raw reading as every reader of it converts it (recordings, `watch`, the exporter,
// the chart export): a fan count of 255 is a stalled fan, without a speed. Limits are left unset.
ChannelReading ReadingOf(const Channel& channel, std::uint8_t raw, int divisor);

// What the chip holds beside its channels, read only with SamplerOptions::read_chip_facts.
struct ChipFacts {
  // The hardware trip points, in whole degrees, in register order.
  struct TripPoint {
    std::uint8_t address;      // 0x13, 0x14, 0x17, 0x18
    std::string_view channel;  // the temperature channel it guards: "Internal" or "External 1"
    std::uint8_t raw = 0;
    int celsius = 0;
  };
  std::uint8_t company_id = 0;
  std::uint8_t revision = 0;
  std::array<TripPoint, 4> trip_points{
      {{0x13, "Internal"}, {0x14, "External 1"}, {0x17, "Internal"}, {0x18, "External 1"}}};
  std::uint8_t vid = 0;    // VID4..VID0 as a five-bit code
  bool intrusion = false;  // the chassis latch as it stands (INT Status Mirror 2 bit 4)
};

struct Sample {
  std::uint8_t channel_mode = 0;
  std::uint8_t configuration1 = 0;   // read only with SamplerOptions::read_configuration
  std::uint8_t vid_fan_divisor = 0;  // register 0x47, read only when a fan is measured
  bool channels_changed = false;     // other channels than the previous sample (or the first)
  bool limits_changed = false;       // a limit differs from the previous sample (or the first)
  StatusSample status;               // every INT Status bit latched since the previous sample
  std::span<const ChannelReading> channels;
  ChipFacts facts;  // filled only with SamplerOptions::read_chip_facts

  // START is set: the chip converts its inputs and compares them with the limits.
  bool converting() const { return (configuration1 & 0x01) != 0; }
};

struct SamplerOptions {
  // Read INT Status 1 and 2 on every sample. Off where another reader (the window's display
  // cycle) reads them anyway: the sample then carries what that reader latched.
  bool read_status = true;
  bool read_limits = true;
  // Read Configuration 1 too, for those who tell the user when the chip stops converting.
  bool read_configuration = false;
  // Read identity, revision, trip points, VID and the intrusion latch too, for the exporter,
  // which shows all of them. The mirror holds the latch without clearing anything.
  bool read_chip_facts = false;
};

// Reads one chip for everything beside the window's own tabs that follows it over time: `watch`,
// `record`, the window's recorder and the exporter, so they all see the same.
//
// Each sample reads Channel Mode, the fan divisors when a fan is measured (so a change of either
// shows at once), then the value and limits of every channel the mode gives, then the status
// registers. read must be the chip's register transfer (devaccess::ReadRegister), which
// hands every status read to the alarm store; the sample carries what latched there since the
// previous one, whoever read it.
class Sampler {
 public:
  using Read = std::function<std::uint8_t(std::uint8_t address)>;

  Sampler(Read read, AlarmStore& alarms, SamplerOptions options = {});

  // Reads the chip once; the result stays valid until the next call. A read's BusError passes
  // through; the next call starts afresh (an alarm latched before the failure is kept).
  const Sample& Take();

  void set_read_status(bool on) { options_.read_status = on; }
  // The transfers one sample makes with these options under this Channel Mode.
  static int TransfersPerSample(int channel_mode, const SamplerOptions& options);

 private:
  void ReadFacts();

  Read read_;
  AlarmStore::Subscription alarms_;
  SamplerOptions options_;
  int channel_mode_ = -1;
  ChannelSet channels_;
  bool any_fan_ = false;
  int divisors_ = -1;
  std::array<ChannelReading, 14> readings_{};
  Sample sample_;
};

}  // namespace chip
