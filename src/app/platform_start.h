#pragma once

#include <QtGlobal>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Held while the application object is made. Qt's messages wait meanwhile; when no platform
// plugin starts, Qt would abort (a core dump, and advice to reinstall that does not help): this
// prints one line naming each plugin tried and Qt's reason instead, and ends the program with
// kUsageExitStatus. Once the guard goes, the messages held back reach Qt's own handler in order.
class PlatformStartGuard {
 public:
  PlatformStartGuard();
  ~PlatformStartGuard();
  PlatformStartGuard(const PlatformStartGuard&) = delete;
  PlatformStartGuard& operator=(const PlatformStartGuard&) = delete;
};

// The one line (without the program's name or a newline) for the messages Qt gave before
// `fatal`, its final word on the platform plugins, each message made one line.
std::string PlatformFailureLine(const std::vector<std::string>& messages, std::string_view fatal);

}  // namespace app
