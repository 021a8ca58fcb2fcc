#include "buslink/sim/chip.h"

#include <algorithm>
#include <cmath>

namespace buslink::sim {

namespace {

// Register addresses.
constexpr std::uint8_t kChannelMode = 0x16;
constexpr std::uint8_t kAin1Low = 0x1A;
constexpr std::uint8_t kAin2Low = 0x1B;
constexpr std::uint8_t kFirstMeasured = 0x20;
constexpr std::uint8_t kLastMeasured = 0x29;
constexpr std::uint8_t kCompanyId = 0x3E;
constexpr std::uint8_t kRevision = 0x3F;
constexpr std::uint8_t kConfig1 = 0x40;
constexpr std::uint8_t kStatus1 = 0x41;
constexpr std::uint8_t kStatus2 = 0x42;
constexpr std::uint8_t kChassisClear = 0x46;
constexpr std::uint8_t kVidFanDivisor = 0x47;
constexpr std::uint8_t kVid4 = 0x49;
constexpr std::uint8_t kStatusMirror1 = 0x4C;
constexpr std::uint8_t kStatusMirror2 = 0x4D;

constexpr std::uint8_t kCompanyIdValue = 0x41;
constexpr std::uint8_t kRevisionValue = 0x01;

// Configuration 1 bits.
constexpr std::uint8_t kStart = 0x01;
constexpr std::uint8_t kIntClear = 0x08;
constexpr std::uint8_t kReset = 0x10;
constexpr std::uint8_t kInitialisation = 0x80;

// Channel Mode bits.
constexpr std::uint8_t kModeAin1 = 0x01;
constexpr std::uint8_t kModeAin2 = 0x02;
constexpr std::uint8_t kModeExtTemp2 = 0x04;
constexpr std::uint8_t kModeVcc5V = 0x08;

constexpr std::uint8_t kChassisBit = 0x10;  // in INT Status 2 and its mirror
constexpr std::uint8_t kChassisClearCommand = 0x80;

constexpr double kFanConstant = 1350000.0;

// The chip's voltage scales are those the program converts with: full scale k and an offset. The
// program shows a reading with one offset on the strip chart and another on the gauge; the chip
// measures with the midpoint of the two, so both displays land within one count of the input.
struct VoltScale {
  double full_scale;
  double offset;
};
constexpr VoltScale kScale25V{3.32, (0.013 + 0.026) / 2};
constexpr VoltScale kScaleVccp{3.586, 0.014};
constexpr VoltScale kScaleVcc33{4.383, 0.0172};
constexpr VoltScale kScale5V{6.64, 0.026};
constexpr VoltScale kScale12V{15.938, (0.01 + 0.062) / 2};
constexpr VoltScale kScaleAin{2.49, 0.01};

// Where a conversion's result is compared, and the status bit it latches when outside.
struct Limits {
  std::uint8_t high = 0xFF;
  std::uint8_t low = 0x00;
  bool is_signed = false;  // temperatures compare as two's complement
  std::uint8_t status_reg = 0;
  std::uint8_t bit = 0;
};

bool IsMeasured(std::uint8_t reg) {
  return reg >= kFirstMeasured && reg <= kLastMeasured;
}

bool IsStatus(std::uint8_t reg) {
  return reg == kStatus1 || reg == kStatus2 || reg == kStatusMirror1 || reg == kStatusMirror2;
}

int DivisorFromBits(unsigned bits) {
  return 1 << (bits & 0x03U);
}

std::int8_t Signed(std::uint8_t raw) {
  return static_cast<std::int8_t>(raw);
}

// Held to the scale before rounding, so an input far beyond it (or not a number at all, as a sum
// of infinities would be) still reads as an end of the scale.
long RoundWithin(double value, double low, double high) {
  return std::lround(std::fmin(std::fmax(value, low), high));
}

// The measurements, each with a noise sample in counts added before rounding.
std::uint8_t VoltsToCounts(double volts, VoltScale scale, double noise) {
  const double counts = (volts - scale.offset) * 255.0 / scale.full_scale + noise;
  return static_cast<std::uint8_t>(RoundWithin(counts, 0.0, 255.0));
}

std::uint8_t CelsiusToCounts(double degrees, double noise) {
  const long whole = RoundWithin(degrees + noise, -128.0, 127.0);
  return static_cast<std::uint8_t>(whole & 0xFF);  // two's complement
}

std::uint8_t FanCount(double rpm, int divisor, double noise) {
  if (!(rpm > 0.0)) return 0xFF;  // stalled: the counter runs out
  const double counts = kFanConstant / (rpm * divisor) + noise;
  if (counts >= 255.0) return 0xFF;
  return static_cast<std::uint8_t>(std::clamp(std::lround(counts), 1L, 255L));
}

}  // namespace

Chip::Chip(const ChipSetup& setup, std::uint32_t seed, std::shared_ptr<SimClock> clock)
    : inputs_(setup.inputs),
      noise_(setup.noise),
      rng_(seed),
      seed_(seed),
      clock_(clock ? std::move(clock) : std::make_shared<SimClock>()) {
  PowerOnReset();
  ObserveIntrusion();
  // The scenario's registers go in raw, after reset: that is how a read-only register gets pinned.
  for (const auto& [reg, value] : setup.registers) regs_[reg] = value;
}

std::uint8_t Chip::PowerOnValue(std::uint8_t reg) {
  switch (reg) {
    case 0x13:  // hardware trip points: 100 degrees
    case 0x14:
    case 0x17:
    case 0x18:
      return 0x64;
    case 0x19:  // the analog output starts at full scale
      return 0xFF;
    case 0x2B:  // voltage high limits: nothing trips until the program sets limits
    case 0x2D:
    case 0x2F:
    case 0x31:
    case 0x33:
    case 0x35:
    case 0x3B:  // FAN1 count limit / AIN1 high
    case 0x3C:  // FAN2 count limit / AIN2 high
      return 0xFF;
    case 0x37:  // temperature high limits: +127 degrees
    case 0x39:
      return 0x7F;
    case 0x38:  // temperature low limits: -128 degrees
    case 0x3A:
      return 0x80;
    case kCompanyId:
      return kCompanyIdValue;
    case kRevision:
      return kRevisionValue;
    case kVidFanDivisor:  // both fan divisors 2; bits 3:0 are the VID pins
      return 0x50;
    default:
      return 0x00;
  }
}

bool Chip::IsReadOnly(std::uint8_t reg) {
  return IsMeasured(reg) || IsStatus(reg) || reg == kCompanyId || reg == kRevision;
}

void Chip::PowerOnReset() {
  for (int reg = 0; reg < 256; ++reg) {
    const auto r = static_cast<std::uint8_t>(reg);
    if (IsMeasured(r)) continue;  // a reset does not erase what was last measured
    if (r == kStatus2 || r == kStatusMirror2) {
      regs_[r] &= kChassisBit;  // the intrusion latch has its own clear
      continue;
    }
    regs_[r] = PowerOnValue(r);
  }
}

bool Chip::Monitoring() const {
  const std::uint8_t config = regs_[kConfig1];
  return (config & kStart) != 0 && (config & kIntClear) == 0;
}

std::uint8_t Chip::Peek(std::uint8_t reg) const {
  std::uint8_t value = regs_[reg];
  const auto vid = static_cast<unsigned>(inputs_.vid);
  if (reg == kVidFanDivisor) {
    value = static_cast<std::uint8_t>((value & 0xF0U) | (vid & 0x0FU));
  } else if (reg == kVid4) {
    value = static_cast<std::uint8_t>((value & 0xFEU) | ((vid >> 4) & 0x01U));
  } else if ((reg == kStatus2 || reg == kStatusMirror2) && inputs_.chassis_intrusion &&
             !intrusion_seen_) {
    value |= kChassisBit;  // the case was opened since the last transfer
  }
  return value;
}

std::uint8_t Chip::Read(std::uint8_t reg) {
  now_.reset();
  ObserveIntrusion();
  if (Monitoring()) {
    if (IsMeasured(reg)) {
      ConvertChannel(reg);
    } else if (IsStatus(reg)) {
      Convert();
    }
  }
  const std::uint8_t value = Peek(reg);
  // Reading a status register clears what it reported, as on the parts of this family; the
  // mirrors read without clearing, and the intrusion bit waits for its own clear. While the chip
  // is stopped the status registers hold still, so a scenario can pin them.
  if (Monitoring()) {
    if (reg == kStatus1) {
      regs_[kStatus1] = 0;
      regs_[kStatusMirror1] = static_cast<std::uint8_t>(regs_[kStatusMirror1] & ~value);
    } else if (reg == kStatus2) {
      const auto cleared = static_cast<std::uint8_t>(value & ~kChassisBit);
      regs_[kStatus2] = static_cast<std::uint8_t>(regs_[kStatus2] & ~cleared);
      regs_[kStatusMirror2] = static_cast<std::uint8_t>(regs_[kStatusMirror2] & ~cleared);
    }
  }
  return value;
}

void Chip::Write(std::uint8_t reg, std::uint8_t value) {
  ObserveIntrusion();
  if (IsReadOnly(reg)) return;
  switch (reg) {
    case kConfig1:
      if ((value & (kReset | kInitialisation)) != 0) {
        PowerOnReset();  // the reset bits clear themselves with the rest of the register
      } else {
        regs_[kConfig1] = value;
      }
      return;
    case kChassisClear:
      if ((value & kChassisClearCommand) != 0) {
        regs_[kStatus2] = static_cast<std::uint8_t>(regs_[kStatus2] & ~kChassisBit);
        regs_[kStatusMirror2] = static_cast<std::uint8_t>(regs_[kStatusMirror2] & ~kChassisBit);
      }
      regs_[kChassisClear] = static_cast<std::uint8_t>(value & ~kChassisClearCommand);
      return;
    default:
      regs_[reg] = value;  // the VID pin bits of 0x47 and 0x49 are overlaid on every read
      return;
  }
}

void Chip::ObserveIntrusion() {
  // The intrusion input latches on its rising edge: once cleared, the latch stays clear until the
  // case is closed and opened again.
  if (inputs_.chassis_intrusion && !intrusion_seen_) Latch(kStatus2, kChassisBit);
  intrusion_seen_ = inputs_.chassis_intrusion;
}

void Chip::Latch(std::uint8_t status_reg, std::uint8_t bit) {
  regs_[status_reg] |= bit;
  const std::uint8_t mirror = status_reg == kStatus1 ? kStatusMirror1 : kStatusMirror2;
  regs_[mirror] |= bit;
}

void Chip::Convert() {
  for (int reg = kFirstMeasured; reg <= kLastMeasured; ++reg) {
    ConvertChannel(static_cast<std::uint8_t>(reg));
  }
}

double Chip::NoiseSample() {
  if (noise_ <= 0.0) return 0.0;
  return std::uniform_real_distribution<double>(-noise_, noise_)(rng_);
}

double Chip::Level(AnalogInput input, double number) {
  const InputShape& shape = inputs_.shapes[static_cast<std::size_t>(input)];
  if (shape.empty()) return number;
  if (!now_) now_ = clock_->Seconds();
  // Each input of each chip has its own noise, repeatable from the seed.
  const std::uint64_t stream = (std::uint64_t{seed_} << 8U) | static_cast<std::uint64_t>(input);
  return shape.Value(*now_, stream);
}

void Chip::ConvertChannel(std::uint8_t reg) {
  using enum AnalogInput;
  const std::uint8_t mode = regs_[kChannelMode];
  std::uint8_t value = 0;
  Limits limits;
  switch (reg) {
    case 0x20:
      if ((mode & kModeExtTemp2) != 0) {
        value = CelsiusToCounts(Level(TempExt2, inputs_.temp_ext2), NoiseSample());
        limits = {regs_[0x2B], regs_[0x2C], true, kStatus1, 0x01};
      } else {
        value = VoltsToCounts(Level(V25, inputs_.v25), kScale25V, NoiseSample());
        limits = {regs_[0x2B], regs_[0x2C], false, kStatus1, 0x01};
      }
      break;
    case 0x21:
      value = VoltsToCounts(Level(Vccp1, inputs_.vccp1), kScaleVccp, NoiseSample());
      limits = {regs_[0x2D], regs_[0x2E], false, kStatus1, 0x02};
      break;
    case 0x22:
      value = VoltsToCounts(Level(Vcc, inputs_.vcc),
                            (mode & kModeVcc5V) != 0 ? kScale5V : kScaleVcc33, NoiseSample());
      limits = {regs_[0x2F], regs_[0x30], false, kStatus1, 0x04};
      break;
    case 0x23:
      value = VoltsToCounts(Level(V5, inputs_.v5), kScale5V, NoiseSample());
      limits = {regs_[0x31], regs_[0x32], false, kStatus1, 0x08};
      break;
    case 0x24:
      value = VoltsToCounts(Level(V12, inputs_.v12), kScale12V, NoiseSample());
      limits = {regs_[0x33], regs_[0x34], false, kStatus2, 0x01};
      break;
    case 0x25:
      // With the second remote diode on these pins, Vccp2 is not measured at all.
      if ((mode & kModeExtTemp2) != 0) return;
      value = VoltsToCounts(Level(Vccp2, inputs_.vccp2), kScaleVccp, NoiseSample());
      limits = {regs_[0x35], regs_[0x36], false, kStatus2, 0x02};
      break;
    case 0x26:
      value = CelsiusToCounts(Level(TempExt1, inputs_.temp_ext1), NoiseSample());
      limits = {regs_[0x37], regs_[0x38], true, kStatus1, 0x20};
      break;
    case 0x27:
      value = CelsiusToCounts(Level(TempInternal, inputs_.temp_internal), NoiseSample());
      limits = {regs_[0x39], regs_[0x3A], true, kStatus1, 0x10};
      break;
    case 0x28:
      if ((mode & kModeAin1) != 0) {
        value = VoltsToCounts(Level(Ain1, inputs_.ain1), kScaleAin, NoiseSample());
        limits = {regs_[0x3B], regs_[kAin1Low], false, kStatus1, 0x40};
      } else {
        // A fan has one limit: a count above it means the fan turns too slowly.
        value = FanCount(Level(Fan1Rpm, inputs_.fan1_rpm),
                         DivisorFromBits(regs_[kVidFanDivisor] >> 4U), NoiseSample());
        limits = {regs_[0x3B], 0x00, false, kStatus1, 0x40};
      }
      break;
    case 0x29:
      if ((mode & kModeAin2) != 0) {
        value = VoltsToCounts(Level(Ain2, inputs_.ain2), kScaleAin, NoiseSample());
        limits = {regs_[0x3C], regs_[kAin2Low], false, kStatus1, 0x80};
      } else {
        value = FanCount(Level(Fan2Rpm, inputs_.fan2_rpm),
                         DivisorFromBits(regs_[kVidFanDivisor] >> 6U), NoiseSample());
        limits = {regs_[0x3C], 0x00, false, kStatus1, 0x80};
      }
      break;
    default:
      return;
  }
  regs_[reg] = value;
  const bool outside =
      limits.is_signed ? Signed(value) > Signed(limits.high) || Signed(value) < Signed(limits.low)
                       : value > limits.high || value < limits.low;
  if (outside) Latch(limits.status_reg, limits.bit);
}

}  // namespace buslink::sim
