#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "buslink/linux/port_pins.h"

namespace buslink::linux_hw::testing {

// Time that passes only when the bit-banged master waits: tests run at full speed and a
// benchmark can add up what the waits would cost on a real port.
class FakePacer : public Pacer {
 public:
  std::chrono::nanoseconds Now() override { return now_; }
  void Wait(std::chrono::nanoseconds duration) override { now_ += duration; }

 private:
  std::chrono::nanoseconds now_{0};
};

// An I2C slave seen pin by pin: it watches the two lines, finds start and stop conditions,
// clocks bits in on rising SCL, changes SDA only while SCL is low, acknowledges its own address
// and every byte after it. Register access is the usual pointer protocol over a 256-byte file.
class PinLevelSlave {
 public:
  explicit PinLevelSlave(std::uint8_t address7) : address7_(address7) {}

  std::array<std::uint8_t, 256> registers{};
  std::chrono::nanoseconds stretch_after_address{0};  // holds SCL low after acknowledging it

  // The lines as they now are; returns true when the slave changed what it drives.
  bool Observe(bool scl, bool sda, std::chrono::nanoseconds now);
  bool PullsSdaLow() const { return sda_low_; }
  bool HoldsSclLow(std::chrono::nanoseconds now) const { return now < hold_scl_until_; }

  // As if the master vanished while the slave was sending a 0 bit: SDA stays low.
  void StrandMidByte();

 private:
  enum class Phase { Idle, Receive, Acknowledge, Transmit, MasterAck };
  void ByteReceived(std::chrono::nanoseconds now);
  void Load();
  void DriveBit() { sda_low_ = ((tx_ >> (7 - bits_)) & 1) == 0; }

  std::uint8_t address7_;
  Phase phase_ = Phase::Idle;
  bool scl_ = true;
  bool sda_ = true;
  int bits_ = 0;
  unsigned shift_ = 0;
  std::uint8_t tx_ = 0;
  bool address_byte_ = false;
  bool reading_ = false;
  bool have_pointer_ = false;
  bool master_acked_ = false;
  bool stretch_pending_ = false;
  std::uint8_t pointer_ = 0;
  bool sda_low_ = false;
  std::chrono::nanoseconds hold_scl_until_{0};
};

// A printer port with an evaluation board plugged in, as the master's pins see it: the data lines
// drive the board's buffers (direct or inverting build), the status lines read the buffered bus
// lines back, with the port's own inversion of Busy.
class SimulatedBoard : public PortPins {
 public:
  enum class Build { Direct, Inverted };
  SimulatedBoard(Build build, std::uint8_t address8, Pacer& clock);

  PinLevelSlave slave;
  bool connected = true;       // false: nothing on the port, every status input floats high
  bool sda_stuck_low = false;  // a fault on the board that holds SDA low

  void WriteData(std::uint8_t value) override;
  std::uint8_t ReadStatus() override;
  void WriteControl(std::uint8_t /*value*/) override {}

  bool Powered() const { return (data_ & 0xFC) == 0xFC; }
  bool SclLine() const { return scl_; }
  bool SdaLine() const { return sda_; }
  long line_transitions = 0;  // edges on SCL or SDA
  long data_writes = 0;
  long status_reads = 0;
  long double_changes = 0;  // writes that moved both lines at once: a race on real hardware

 private:
  void Settle();

  Build build_;
  Pacer& clock_;
  std::uint8_t data_ = 0xFF;
  bool scl_ = true;
  bool sda_ = true;
};

}  // namespace buslink::linux_hw::testing
