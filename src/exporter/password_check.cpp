#include "exporter/password_check.h"

#include <crypt.h>
#include <gnutls/crypto.h>
#include <gnutls/gnutls.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace exporter {

namespace {

constexpr std::size_t kRemembered = 256;

int Base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Equal in time that does not depend on where the texts differ.
bool SameBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

}  // namespace

std::optional<Credentials> ParseBasicAuth(std::string_view header) {
  constexpr std::string_view kScheme = "basic ";
  if (header.size() < kScheme.size()) return std::nullopt;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    if ((header[i] | 0x20) != kScheme[i]) return std::nullopt;
  }
  std::string_view token = header.substr(kScheme.size());
  while (!token.empty() && token.front() == ' ') token.remove_prefix(1);
  while (!token.empty() && (token.back() == ' ' || token.back() == '\t')) token.remove_suffix(1);
  if (token.empty() || token.size() % 4 != 0) return std::nullopt;
  std::string text;
  for (std::size_t i = 0; i < token.size(); i += 4) {
    // "=" pads only the last four: "xx==" or "xxx=".
    std::size_t pads = 0;
    if (i + 4 == token.size() && token[i + 3] == '=') pads = token[i + 2] == '=' ? 2 : 1;
    unsigned bits = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const int digit = k < 4 - pads ? Base64Digit(token[i + k]) : 0;
      if (digit < 0) return std::nullopt;
      bits = bits << 6 | static_cast<unsigned>(digit);
    }
    text.push_back(static_cast<char>(bits >> 16));
    if (pads < 2) text.push_back(static_cast<char>(bits >> 8 & 0xFF));
    if (pads < 1) text.push_back(static_cast<char>(bits & 0xFF));
  }
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  return Credentials{text.substr(0, colon), text.substr(colon + 1)};
}

bool BcryptMatches(std::string_view password, std::string_view hash) {
  if (password.find('\0') != std::string_view::npos || hash.size() < 4) return false;
  std::string setting(hash);
  if (setting.starts_with("$2y$")) setting[2] = 'b';  // the same algorithm under another name
  const std::string phrase(password);
  auto data = std::make_unique<crypt_data>();
  const char* out = crypt_rn(phrase.c_str(), setting.c_str(), data.get(), sizeof *data);
  return out != nullptr && SameBytes(out, setting);
}

PasswordCheck::PasswordCheck() {
  if (gnutls_rnd(GNUTLS_RND_KEY, key_.data(), key_.size()) < 0) {
    throw std::runtime_error("no random numbers for the password cache");
  }
}

bool PasswordCheck::Right(const NamedTexts& users, std::string_view user,
                          std::string_view password) {
  const std::string* hash = nullptr;
  for (const auto& [name, h] : users) {
    if (SameBytes(name, user)) hash = &h;
  }
  if (hash == nullptr) {
    // As long as a wrong password takes, so the time tells nothing about which names exist.
    if (!users.empty()) BcryptMatches(password, users.front().second);
    return false;
  }
  std::string message;
  message.append(user).push_back('\0');
  message.append(*hash).push_back('\0');
  message.append(password);
  Digest digest{};
  if (gnutls_hmac_fast(GNUTLS_MAC_SHA256, key_.data(), key_.size(), message.data(), message.size(),
                       digest.data()) < 0) {
    return BcryptMatches(password, *hash);
  }
  const auto text = [](const Digest& d) {
    return std::string_view(reinterpret_cast<const char*>(d.data()), d.size());
  };
  {
    const std::scoped_lock lock(mutex_);
    bool known = false;
    for (const Digest& d : right_) known |= SameBytes(text(d), text(digest));
    if (known) return true;
  }
  if (!BcryptMatches(password, *hash)) return false;
  const std::scoped_lock lock(mutex_);
  if (right_.size() >= kRemembered) right_.clear();
  right_.push_back(digest);
  return true;
}

}  // namespace exporter
