#include "chip/register_meaning.h"

#include "chip/channels.h"
#include "chip/recording.h"
#include "chip/register_catalogue.h"
#include "chip/snapshot.h"

namespace chip {

namespace {

// The hardware trip points hold temperatures, in the same form as the temperature readings.
struct TripPoint {
  int address;
  std::string_view name;
};
constexpr TripPoint kTripPoints[] = {{0x13, "Internal trip point"},
                                     {0x14, "External trip point"},
                                     {0x17, "Internal trip point"},
                                     {0x18, "External trip point"}};

std::string_view RoleOf(const Channel& c, int address) {
  if (address == c.value_register) return "reading";
  if (address == c.low_register) return c.high_register < 0 ? "limit" : "low limit";
  if (address == c.high_register) return "high limit";
  return {};
}

std::string Number(double value, const Channel& c) {
  std::string text;
  AppendDecimal(text, value, DecimalsOf(c.quantity));
  return text + " " + std::string(c.unit);
}

}  // namespace

bool HasMeaning(int address) {
  for (const TripPoint& t : kTripPoints) {
    if (t.address == address) return true;
  }
  for (const Channel* c : AllChannels()) {
    if (!RoleOf(*c, address).empty()) return true;
  }
  return false;
}

bool MeaningDependsOnMode(int address) {
  for (const Channel* c : AllChannels()) {
    if (!RoleOf(*c, address).empty() && (c->mode_bit >= 0 || c->fan != 0)) return true;
  }
  return false;
}

std::string RegisterMeaning(int address, std::uint8_t raw, std::uint8_t channel_mode,
                            std::uint8_t vid_fan_divisor) {
  for (const TripPoint& t : kTripPoints) {
    if (t.address != address) continue;
    std::string text(t.name);
    text += " ";
    AppendDecimal(text, CelsiusFromRegister(raw), 0);
    return text + " °C";
  }
  std::string_view unused_role;
  std::string_view unused_caption;
  for (const Channel* c : AllChannels()) {
    const std::string_view role = RoleOf(*c, address);
    if (role.empty()) continue;
    if (!c->MeasuredUnder(channel_mode)) {
      unused_role = role;
      unused_caption = c->caption;
      continue;
    }
    const int divisor = FanDivisorOf(*c, vid_fan_divisor);
    std::string text = std::string(c->caption) + " " + std::string(role) + " ";
    // A fan count of 255 is a fan too slow to count, or stopped.
    if (c->fan != 0 && role == "reading" && raw == 255) {
      text += "stalled or too slow to count";
    } else {
      text += Number(ValueFromRegister(*c, raw, divisor), *c);
    }
    if (c->mode_bit >= 0 || c->fan != 0) {
      text += " (Channel Mode " + HexByte(channel_mode);
      if (c->fan != 0) text += ", divisor " + std::to_string(divisor);
      text += ")";
    }
    return text;
  }
  if (!unused_role.empty()) {
    return std::string(unused_caption) + " " + std::string(unused_role) +
           ": unused under Channel Mode " + HexByte(channel_mode);
  }
  return {};
}

}  // namespace chip
