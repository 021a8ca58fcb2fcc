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

// Spent on a user name that is not in the file, so a wrong name costs as long as a wrong password.
constexpr std::string_view kNobody = "$2b$10$abcdefghijklmnopqrstuu4T826PRnz0Hu6YlprUuxkZxOOj5Fw5S";

// Equal in time that does not depend on where the texts differ.
bool SameBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

}  // namespace

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
    BcryptMatches(password, kNobody);
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
