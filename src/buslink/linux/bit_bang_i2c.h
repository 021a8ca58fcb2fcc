#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "buslink/linux/port_pins.h"

namespace buslink::linux_hw {

// The two builds of the evaluation board (docs/evaluation-board.md). Both use the same pins; the
// inverted build has an inverting stage on every line. ModeFlag false selects Direct.
enum class Wiring { Direct, Inverted };

// The pins of that wiring: data bits drive the lines, status bits sense them.
inline constexpr std::uint8_t kSclDriveBit = 0x01;  // D0, pin 2
inline constexpr std::uint8_t kSdaDriveBit = 0x02;  // D1, pin 3
inline constexpr std::uint8_t kSupplyBits = 0xFC;   // D2-D7, pins 4-9: held high, feed the buffers
inline constexpr std::uint8_t kSclSenseBit = 0x10;  // Select, pin 13
inline constexpr std::uint8_t kSdaSenseBit = 0x80;  // Busy, pin 11; the port reads it inverted
inline constexpr std::uint8_t kControlIdle = 0x04;  // pins 1, 14, 16, 17 all high

struct BitBangTiming {
  std::chrono::nanoseconds half_period{10'000};          // 10 us: a 50 kHz clock
  std::chrono::nanoseconds stretch_timeout{25'000'000};  // the SMBus clock-low limit
};

// An I2C master made of printer-port pins: start, repeated start, stop, ACK and NACK, clock
// stretching with a deadline. The device address is the 8-bit form (read/write in bit 0). Every
// failure is a BusError naming `where` (the port and the ModeFlag) and what to check.
class BitBangI2c {
 public:
  BitBangI2c(PortPins& pins, Wiring wiring, const BitBangTiming& timing, Pacer& pacer,
             std::string where);

  void Idle();  // both lines released, supply on, control lines idle
  std::uint8_t ReadRegister(std::uint8_t device, std::uint8_t reg);
  void WriteRegister(std::uint8_t device, std::uint8_t reg, std::uint8_t value);

 private:
  void Drive(bool scl_high, bool sda_high);
  void SetScl(bool high) { Drive(high, sda_); }
  void SetSda(bool high) { Drive(scl_, high); }
  bool SclHigh();
  bool SdaHigh();
  void ReleaseScl();  // waits while a device stretches the clock
  void Half() { pacer_.Wait(timing_.half_period); }

  void BeginTransfer();  // checks the bus is free, clears it if a device holds SDA
  void Start();
  void RepeatedStart();
  void Stop();
  bool SendByte(std::uint8_t byte);  // true when acknowledged
  std::uint8_t ReceiveByte(bool ack);
  void Expect(bool acknowledged, std::uint8_t device, const std::string& what);
  void Abandon(bool with_stop);  // frees the lines after a failure, never throws

  PortPins& pins_;
  Wiring wiring_;
  BitBangTiming timing_;
  Pacer& pacer_;
  std::string where_;
  bool scl_ = true;  // what we drive: true releases the line
  bool sda_ = true;
};

}  // namespace buslink::linux_hw
