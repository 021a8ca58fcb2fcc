#include "about/program_identity.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "support/qstring_printer.h"

namespace {

// Three plain numbers only; each is written back without leading zeros.
TEST(ProgramIdentity, ParseVersion_TakesThreePlainNumbersOnly) {
  for (const char* valid : {"2.0.0", "2.10.3", "0.0.7", "10.0.101"}) {
    const auto v = about::ParseVersion(QString::fromLatin1(valid));
    ASSERT_TRUE(v.has_value()) << valid;
    EXPECT_EQ(about::VersionCaption(*v), QStringLiteral("Version ") + QLatin1String(valid));
  }
  for (const char* invalid : {"2.0", "2.0.0.1", "2.x.0", "-1.0.0", "2..0", "2.+1.0", "", "2. 1.0"})
    EXPECT_FALSE(about::ParseVersion(QString::fromLatin1(invalid)).has_value()) << invalid;
  EXPECT_EQ(about::ParseVersion(QStringLiteral("2.10.3"))->minor, 10);
}

// (One that is set shows: the main window's Load test, "Version 2.10.3".)
TEST(ProgramIdentity, ProgramVersion_FallsBackOnTheBuild) {
  const QString saved = QCoreApplication::applicationVersion();
  QCoreApplication::setApplicationVersion(QStringLiteral("not a version"));
  const about::AppVersion fallback = about::ProgramVersion();
  QCoreApplication::setApplicationVersion(saved);
  EXPECT_EQ(about::VersionCaption(fallback),
            QStringLiteral("Version ") + QStringLiteral(KELVRAN_PROJECT_VERSION));
}

}  // namespace
