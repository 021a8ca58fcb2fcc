#pragma once

#include <QString>
#include <optional>

#include "chip/register_catalogue.h"

namespace about {

// The chip's name; every text that names the chip is built around it.
using chip::kChipName;

// "KELVRAN Evaluation Software": the main window's caption and the About box's title.
QString ProgramTitle();

// The program's version record: three plain numbers.
struct AppVersion {
  int major = 0;
  int minor = 0;
  int revision = 0;
};

// "2.10.3" -> {2, 10, 3}; anything that is not three dot-separated non-negative whole numbers
// gives nothing.
std::optional<AppVersion> ParseVersion(const QString& text);

// The application's version when it reads as a version record, otherwise the version this build
// was configured with.
AppVersion ProgramVersion();

// "Version " + major + "." + minor + "." + revision, each without zeros in front.
QString VersionCaption(const AppVersion& version);

}  // namespace about
