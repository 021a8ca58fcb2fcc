#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "buslink/bus_link.h"
#include "chip/alarm_store.h"

// The folder is access/; the namespace is devaccess because POSIX already has a function
// named access().
namespace devaccess {

// The state every window shares: the transfer mailbox, the chosen chip, the component's root
// object and the display flags that several tabs consult. One object per run, owned by the
// application and handed to each window; everything starts at zero and nothing is saved.
struct Declarations {
  explicit Declarations(buslink::Backend* backend_in = nullptr) : backend(backend_in) {}

  // Where bus_link comes from when a transfer or the wizard needs it first.
  buslink::Backend* backend = nullptr;

  // Device access: 1 printer port, anything else the SMBus.
  std::int16_t comms_medium = 0;
  // A whole 16-bit I/O address: the ports of PCIe cards sit above 0x8000.
  std::uint16_t pp_base_address = 0;
  std::int16_t device_address = 0;
  std::int16_t reg_address = 0;
  std::int16_t value_read = 0;
  std::int16_t value_to_write = 0;
  std::unique_ptr<buslink::BusLink> bus_link;
  // Every read of INT Status 1 and 2 leaves its bits here (ReadRegister), for the readers beside
  // the display that must not miss what a read cleared.
  chip::AlarmStore alarm_store;
  // The I2C adapter an SMBus chip was found on ("/dev/i2c-7, CP2112 SMBus Bridge"), empty for a
  // printer-port chip or a backend that names no adapters; files record it. The windows name it
  // only when the search that found the chip covered several adapters.
  std::string adapter;
  bool several_adapters = false;

  // Help.
  std::int32_t help_owner_hwnd = 0;

  // Register editor.
  std::int16_t rw_selected_index = 0;
  std::int16_t hover_label_index = 0;
  std::int16_t bits_show_written = 0;

  // Visual display and channel configuration.
  std::int16_t vd_selected_index = 0;
  std::int16_t vd_channel_index = 0;
  std::int16_t vd_group_index = 0;
  std::int16_t fan1_divisor = 0;
  std::int16_t fan2_divisor = 0;
  std::uint8_t fan1_mode_flag = 0;
  std::uint8_t fan2_mode_flag = 0;
  std::uint8_t chmode_bit2_flag = 0;
  std::uint8_t chmode_bit3_flag = 0;
  std::uint8_t notice_shown = 0;

  // Told what Configuration 1 holds each time a transfer reads or writes it, so a window can
  // point out a chip that is not monitoring without a transfer of its own.
  std::function<void(std::uint8_t configuration1)> configuration1_seen;

  // Creates bus_link from the backend if it is still empty, and returns it.
  buslink::BusLink& EnsureBusLink();
  // Whether the chosen chip sits on a printer port (else on the SMBus).
  bool OnPrinterPort() const;
};

// comms_medium (1 printer port, anything else the SMBus) against the component's medium.
buslink::BusMedium MediumOf(std::int16_t comms_medium);
std::int16_t CommsMediumOf(buslink::BusMedium medium);

}  // namespace devaccess
