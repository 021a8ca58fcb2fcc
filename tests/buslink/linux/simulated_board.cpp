#include "simulated_board.h"

namespace buslink::linux_hw::testing {

bool PinLevelSlave::Observe(bool scl, bool sda, std::chrono::nanoseconds now) {
  const bool was_pulling = sda_low_;
  const auto was_holding = hold_scl_until_;
  if (scl && scl_ && sda != sda_) {
    if (!sda) {  // start or repeated start
      phase_ = Phase::Receive;
      bits_ = 0;
      shift_ = 0;
      address_byte_ = true;
      have_pointer_ = false;
    } else {  // stop
      phase_ = Phase::Idle;
    }
    sda_low_ = false;
  } else if (scl && !scl_) {
    if (phase_ == Phase::Receive) {
      shift_ = (shift_ << 1) | (sda ? 1U : 0U);
      ++bits_;
    } else if (phase_ == Phase::MasterAck) {
      master_acked_ = !sda;
    }
  } else if (!scl && scl_) {
    switch (phase_) {
      case Phase::Receive:
        if (bits_ == 8) ByteReceived(now);
        break;
      case Phase::Acknowledge:
        sda_low_ = false;
        if (stretch_pending_) hold_scl_until_ = now + stretch_after_address;
        stretch_pending_ = false;
        if (reading_) {
          Load();
        } else {
          phase_ = Phase::Receive;
          bits_ = 0;
          shift_ = 0;
        }
        break;
      case Phase::Transmit:
        if (++bits_ == 8) {
          sda_low_ = false;
          phase_ = Phase::MasterAck;
        } else {
          DriveBit();
        }
        break;
      case Phase::MasterAck:
        if (master_acked_) {
          Load();
        } else {
          sda_low_ = false;
          phase_ = Phase::Idle;
        }
        break;
      case Phase::Idle:
        break;
    }
  }
  scl_ = scl;
  sda_ = sda;
  return sda_low_ != was_pulling || hold_scl_until_ != was_holding;
}

void PinLevelSlave::ByteReceived(std::chrono::nanoseconds /*now*/) {
  const auto byte = static_cast<std::uint8_t>(shift_ & 0xFF);
  if (address_byte_) {
    address_byte_ = false;
    if ((byte >> 1) != address7_) {
      phase_ = Phase::Idle;  // not ours: wait for the next start
      return;
    }
    reading_ = (byte & 1) != 0;
    stretch_pending_ = stretch_after_address.count() > 0;
  } else if (!have_pointer_) {
    pointer_ = byte;
    have_pointer_ = true;
  } else {
    registers[pointer_++] = byte;
  }
  sda_low_ = true;
  phase_ = Phase::Acknowledge;
}

void PinLevelSlave::Load() {
  tx_ = registers[pointer_++];
  phase_ = Phase::Transmit;
  bits_ = 0;
  DriveBit();
}

void PinLevelSlave::StrandMidByte() {
  phase_ = Phase::Transmit;
  bits_ = 2;
  tx_ = 0x00;
  sda_low_ = true;
  scl_ = false;
}

SimulatedBoard::SimulatedBoard(Build build, std::uint8_t address8, Pacer& clock)
    : slave(static_cast<std::uint8_t>(address8 >> 1)), build_(build), clock_(clock) {}

void SimulatedBoard::WriteData(std::uint8_t value) {
  const std::uint8_t moved = (data_ ^ value) & 0x03;
  if (moved == 0x03 && data_writes > 0) ++double_changes;  // the first write meets any state
  ++data_writes;
  data_ = value;
  Settle();
}

std::uint8_t SimulatedBoard::ReadStatus() {
  ++status_reads;
  Settle();
  constexpr std::uint8_t kFloating = 0x7F;  // every input high; Busy reads inverted
  if (!connected || !Powered()) return kFloating;
  const bool direct = build_ == Build::Direct;
  const bool scl_pin = scl_ == direct;
  const bool sda_pin = sda_ == direct;
  std::uint8_t status = 0x6F;  // the inputs the board leaves open float high
  if (scl_pin) status |= 0x10;
  if (!sda_pin) status |= 0x80;
  return status;
}

void SimulatedBoard::Settle() {
  const auto now = clock_.Now();
  const bool active = connected && Powered();
  const bool direct = build_ == Build::Direct;
  const bool master_scl = !active || (((data_ & 0x01) != 0) == direct);
  const bool master_sda = !active || (((data_ & 0x02) != 0) == direct);
  for (int round = 0; round < 4; ++round) {
    const bool scl = master_scl && !(active && slave.HoldsSclLow(now));
    const bool sda = master_sda && !(active && (slave.PullsSdaLow() || sda_stuck_low));
    if (scl != scl_) ++line_transitions;
    if (sda != sda_) ++line_transitions;
    scl_ = scl;
    sda_ = sda;
    if (!active || !slave.Observe(scl, sda, now)) break;
  }
}

}  // namespace buslink::linux_hw::testing
