#include "about/program_identity.h"

#include <QCoreApplication>
#include <QStringList>

#ifndef KELVRAN_VERSION
#error "the build defines KELVRAN_VERSION from the project version"
#endif

namespace about {

QString ProgramTitle() {
  return QLatin1String(kChipName) + QStringLiteral(" Evaluation Software");
}

std::optional<AppVersion> ParseVersion(const QString& text) {
  const QStringList parts = text.trimmed().split(QLatin1Char('.'));
  if (parts.size() != 3) return std::nullopt;
  int numbers[3] = {};
  for (int i = 0; i < 3; ++i) {
    bool ok = false;
    // Digits only: toInt would also take a sign or blanks.
    const QString& part = parts[i];
    if (part.isEmpty() || part.size() > 9) return std::nullopt;
    for (const QChar c : part) {
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    }
    numbers[i] = part.toInt(&ok);
    if (!ok) return std::nullopt;
  }
  return AppVersion{numbers[0], numbers[1], numbers[2]};
}

AppVersion ProgramVersion() {
  if (const auto v = ParseVersion(QCoreApplication::applicationVersion())) return *v;
  return ParseVersion(QStringLiteral(KELVRAN_VERSION)).value_or(AppVersion{});
}

QString VersionCaption(const AppVersion& version) {
  return QStringLiteral("Version %1.%2.%3")
      .arg(version.major)
      .arg(version.minor)
      .arg(version.revision);
}

}  // namespace about
