#pragma once

#include <array>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exporter/web_config.h"

namespace exporter {

// Checks a user's password against basic_auth_users' bcrypt hashes. bcrypt at cost 10 takes tens
// of milliseconds by design, which a scraper would pay at every scrape: a password found right is
// remembered, as a keyed digest of user, hash and password (never the password), so the next
// check of the same three is a lookup. A wrong password never matches a remembered digest, and a
// changed hash in the file is a different digest.
class PasswordCheck {
 public:
  PasswordCheck();

  bool Right(const NamedTexts& users, std::string_view user, std::string_view password);

 private:
  using Digest = std::array<unsigned char, 32>;

  std::array<unsigned char, 32> key_{};  // random for each run
  std::mutex mutex_;
  std::vector<Digest> right_;  // bounded: emptied when full
};

struct Credentials {
  std::string user;
  std::string password;
};

// The user name and password of an Authorization header of the Basic scheme ("Basic " and the
// base64 of "user:password"); nothing for any other header.
std::optional<Credentials> ParseBasicAuth(std::string_view header);

// Whether password hashes to hash under bcrypt ($2y$ taken as the $2b$ it is). Exposed for tests.
bool BcryptMatches(std::string_view password, std::string_view hash);

}  // namespace exporter
