#include "buslink/linux/bit_bang_i2c.h"

#include <algorithm>
#include <thread>

#include "buslink/bus_error.h"
#include "buslink/linux/linux_errors.h"
#include "notation/hex.h"

namespace buslink::linux_hw {

namespace {

constexpr const char* kBoardDoc = "docs/evaluation-board.md";

}  // namespace

std::chrono::nanoseconds SteadyPacer::Now() {
  return std::chrono::steady_clock::now().time_since_epoch();
}

void SteadyPacer::Wait(std::chrono::nanoseconds duration) {
  if (duration >= std::chrono::milliseconds(2)) {
    std::this_thread::sleep_for(duration);
    return;
  }
  const auto until = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < until) {
  }
}

BitBangI2c::BitBangI2c(PortPins& pins, Wiring wiring, const BitBangTiming& timing, Pacer& pacer,
                       std::string where)
    : pins_(pins), wiring_(wiring), timing_(timing), pacer_(pacer), where_(std::move(where)) {}

void BitBangI2c::Idle() {
  pins_.WriteControl(kControlIdle);
  Drive(true, true);
}

void BitBangI2c::Drive(bool scl_high, bool sda_high) {
  scl_ = scl_high;
  sda_ = sda_high;
  // The direct build releases a line for a high pin; the inverted build pulls it low.
  const bool direct = wiring_ == Wiring::Direct;
  std::uint8_t data = kSupplyBits;
  if (scl_high == direct) data |= kSclDriveBit;
  if (sda_high == direct) data |= kSdaDriveBit;
  pins_.WriteData(data);
}

bool BitBangI2c::SclHigh() {
  const bool pin = (pins_.ReadStatus() & kSclSenseBit) != 0;
  return wiring_ == Wiring::Direct ? pin : !pin;
}

bool BitBangI2c::SdaHigh() {
  const bool pin = (pins_.ReadStatus() & kSdaSenseBit) == 0;  // Busy reads inverted
  return wiring_ == Wiring::Direct ? pin : !pin;
}

void BitBangI2c::ReleaseScl() {
  SetScl(true);
  if (SclHigh()) return;
  const auto deadline = pacer_.Now() + timing_.stretch_timeout;
  const auto poll =
      std::max<std::chrono::nanoseconds>(timing_.half_period / 2, std::chrono::microseconds(1));
  for (;;) {
    pacer_.Wait(poll);
    if (SclHigh()) return;
    if (pacer_.Now() >= deadline) {
      const auto ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(timing_.stretch_timeout);
      throw BusError(ErrorCode::Timeout,
                     "the SCL line on " + where_ + " stayed low for more than " +
                         std::to_string(ms.count()) +
                         " ms: a device holds the clock, or the board is not powered or is of "
                         "the other build (" +
                         kBoardDoc + "); power the board off and on and search again");
    }
  }
}

void BitBangI2c::BeginTransfer() {
  Drive(true, true);
  Half();
  ReleaseScl();
  if (SdaHigh()) return;
  // A device left in the middle of a byte (the program stopped mid-transfer) holds SDA low until
  // it has clocked out the rest of its byte: give it up to nine clocks, then a stop.
  for (int pulse = 0; pulse < 9 && !SdaHigh(); ++pulse) {
    SetScl(false);
    Half();
    ReleaseScl();
    Half();
  }
  if (!SdaHigh()) {
    throw BusError(ErrorCode::Timeout, "the SDA line on " + where_ +
                                           " stays low even after nine clock pulses: a device "
                                           "holds the bus; power the board off and on");
  }
  SetScl(false);
  Half();
  Stop();
}

void BitBangI2c::Start() {
  SetSda(false);
  Half();
  if (SdaHigh()) {
    throw BusError(ErrorCode::Nack, "no board answers on " + where_ +
                                        ": the SDA line does not follow the port (the board is "
                                        "not connected, not powered, or of the other build; see " +
                                        kBoardDoc + ")");
  }
  SetScl(false);
  Half();
}

void BitBangI2c::RepeatedStart() {
  SetSda(true);
  Half();
  ReleaseScl();
  Half();
  Start();
}

void BitBangI2c::Stop() {
  SetSda(false);
  Half();
  ReleaseScl();
  Half();
  SetSda(true);
  Half();
}

bool BitBangI2c::SendByte(std::uint8_t byte) {
  for (int bit = 7; bit >= 0; --bit) {
    SetSda(((byte >> bit) & 1) != 0);
    Half();
    ReleaseScl();
    Half();
    SetScl(false);
  }
  SetSda(true);
  Half();
  ReleaseScl();
  Half();
  const bool acknowledged = !SdaHigh();
  SetScl(false);
  return acknowledged;
}

std::uint8_t BitBangI2c::ReceiveByte(bool ack) {
  SetSda(true);
  unsigned byte = 0;
  for (int bit = 0; bit < 8; ++bit) {
    Half();
    ReleaseScl();
    Half();
    byte = (byte << 1) | (SdaHigh() ? 1U : 0U);
    SetScl(false);
  }
  SetSda(!ack);
  Half();
  ReleaseScl();
  Half();
  SetScl(false);
  return static_cast<std::uint8_t>(byte);
}

void BitBangI2c::Expect(bool acknowledged, std::uint8_t device, const std::string& what) {
  if (acknowledged) return;
  if (what.empty()) {
    throw BusError(ErrorCode::Nack, "no board acknowledged address " + notation::HexByte(device) +
                                        " on " + where_ +
                                        ": check the cable, the board's power and its address; "
                                        "a board of the other build answers under the other "
                                        "ModeFlag (" +
                                        kBoardDoc + ")");
  }
  throw BusError(ErrorCode::Nack, "the board at " + notation::HexByte(device) + " on " + where_ +
                                      " did not acknowledge " + what +
                                      ": it may have lost power or been reset; search again");
}

void BitBangI2c::Abandon(bool with_stop) {
  // Leave the bus free for the next transfer; a second failure here would only hide the first.
  try {
    if (with_stop) {
      SetScl(false);
      Half();
      Stop();
    }
  } catch (...) {
  }
  try {
    Drive(true, true);
  } catch (...) {
  }
}

std::uint8_t BitBangI2c::ReadRegister(std::uint8_t device, std::uint8_t reg) {
  try {
    BeginTransfer();
    Start();
    Expect(SendByte(device & 0xFE), device, "");
    Expect(SendByte(reg), device, "register " + notation::HexByte(reg));
    RepeatedStart();
    Expect(SendByte(device | 0x01), device, "");
    const std::uint8_t value = ReceiveByte(false);
    Stop();
    return value;
  } catch (const BusError& error) {
    Abandon(error.code() != ErrorCode::Timeout);
    throw;
  }
}

void BitBangI2c::WriteRegister(std::uint8_t device, std::uint8_t reg, std::uint8_t value) {
  try {
    BeginTransfer();
    Start();
    Expect(SendByte(device & 0xFE), device, "");
    Expect(SendByte(reg), device, "register " + notation::HexByte(reg));
    Expect(SendByte(value), device,
           "the value " + notation::HexByte(value) + " for register " + notation::HexByte(reg));
    Stop();
  } catch (const BusError& error) {
    Abandon(error.code() != ErrorCode::Timeout);
    throw;
  }
}

}  // namespace buslink::linux_hw
