#include "cli/reg_value.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "chip/channels.h"
#include "notation/trim.h"

namespace cli {

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// digits in the given base, at most 16 of them; -1 for anything else. A number too large for any
// register stops growing at kHuge, so 0xFFFFFFFFFFFFFFFF is refused as too large, not wrapped.
long Digits(std::string_view digits, int base) {
  constexpr long kHuge = 1L << 32;
  if (digits.empty() || digits.size() > 16) return -1;
  long n = 0;
  for (const char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0 || d >= base) return -1;
    n = std::min(n * base + d, kHuge);
  }
  return n;
}

// A number in any of the accepted notations, or -1.
long Number(std::string_view s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) return Digits(s.substr(2), 16);
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'b' || s[1] == 'B')) return Digits(s.substr(2), 2);
  if (s.size() > 1 && (s.back() == 'h' || s.back() == 'H')) {
    return Digits(s.substr(0, s.size() - 1), 16);
  }
  return Digits(s, 10);
}

std::string Quoted(std::string_view s) {
  std::string out = "'";
  for (const char c : s) {
    if (std::isprint(static_cast<unsigned char>(c)) != 0) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
      out += hex;
    }
  }
  return out + "'";
}

}  // namespace

RegisterArg ParseRegister(std::string_view text) {
  RegisterArg out;
  const std::string_view t = notation::Trim(text);
  for (const chip::RegisterEntry& r : chip::AllRegisters()) {
    if (!EqualIgnoringCase(notation::Trim(r.caption), t)) continue;
    if (out.entry != nullptr) {
      char both[48];
      std::snprintf(both, sizeof both, "0x%02X and 0x%02X", out.entry->address, r.address);
      out.entry = nullptr;
      out.error = "register name " + Quoted(text) + " belongs to " + both + ": give the address";
      return out;
    }
    out.entry = &r;
  }
  if (out.entry != nullptr) return out;
  // A channel as the window labels it ("+12V", "Fan 1") stands for its measurement register.
  for (const chip::Channel* c : chip::AllChannels()) {
    if (!EqualIgnoringCase(c->caption, t)) continue;
    for (const chip::RegisterEntry& r : chip::AllRegisters()) {
      if (r.address == c->value_register) out.entry = &r;
    }
    return out;
  }
  const bool hex = (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) ||
                   (t.size() > 1 && (t.back() == 'h' || t.back() == 'H'));
  const long address = hex ? Number(t) : -1;
  if (address >= 0) {
    for (const chip::RegisterEntry& r : chip::AllRegisters()) {
      if (r.address == address) {
        out.entry = &r;
        return out;
      }
    }
    out.error = "register " + Quoted(text) +
                " is not one of the chip's registers ('kelvran dump' lists them)";
    return out;
  }
  out.error = "register " + Quoted(text) +
              " is neither an address (0x40 or 40h), a register name such as \"INT Mask 1\" nor a "
              "channel such as +12V";
  return out;
}

ValueArg ParseValue(std::string_view text) {
  ValueArg out;
  const long n = Number(notation::Trim(text));
  if (n < 0) {
    out.error = "value " + Quoted(text) + " is not a number (write 0x3F, 3Fh, 63 or 0b00111111)";
  } else if (n > 255) {
    out.error = "value " + Quoted(text) + " does not fit in a register (0..255)";
  } else {
    out.value = static_cast<int>(n);
  }
  return out;
}

BitArg ParseBit(std::string_view text) {
  BitArg out;
  const std::string_view t = notation::Trim(text);
  if (t.size() != 3 || t[1] != '=' || t[0] < '0' || t[0] > '7' || (t[2] != '0' && t[2] != '1')) {
    out.error = "--bit " + Quoted(text) + " must be N=0 or N=1 with N from 0 to 7";
    return out;
  }
  out.bit = t[0] - '0';
  out.value = t[2] - '0';
  return out;
}

}  // namespace cli
