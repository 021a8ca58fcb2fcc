#include <gtest/gtest.h>

#include <QCoreApplication>

#include "about/program_identity.h"
#include "support/qstring_printer.h"

namespace {

struct VersionCase {
  const char* text;
  bool valid;
  int major, minor, revision;
};

TEST(ProgramIdentity, ParseVersion_TakesThreePlainNumbersOnly) {
  const VersionCase cases[] = {
      {"2.0.0", true, 2, 0, 0},   {"2.10.3", true, 2, 10, 3}, {"1.0.0", true, 1, 0, 0},
      {"0.0.7", true, 0, 0, 7},   {"2.0", false, 0, 0, 0},    {"2.0.0.1", false, 0, 0, 0},
      {"2.x.0", false, 0, 0, 0},  {"-1.0.0", false, 0, 0, 0}, {"2..0", false, 0, 0, 0},
      {"2.+1.0", false, 0, 0, 0}, {"", false, 0, 0, 0},       {"2. 1.0", false, 0, 0, 0},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.text);
    const auto v = about::ParseVersion(QString::fromLatin1(c.text));
    ASSERT_EQ(v.has_value(), c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(v->major, c.major);
    EXPECT_EQ(v->minor, c.minor);
    EXPECT_EQ(v->revision, c.revision);
  }
}

TEST(ProgramIdentity, VersionCaption_WritesEachNumberWithoutLeadingZeros) {
  EXPECT_EQ(about::VersionCaption({2, 0, 0}), QStringLiteral("Version 2.0.0"));
  EXPECT_EQ(about::VersionCaption({2, 10, 3}), QStringLiteral("Version 2.10.3"));
  EXPECT_EQ(about::VersionCaption({10, 0, 101}), QStringLiteral("Version 10.0.101"));
}

TEST(ProgramIdentity, ProgramVersion_FollowsTheApplicationAndFallsBackOnTheBuild) {
  const QString saved = QCoreApplication::applicationVersion();
  QCoreApplication::setApplicationVersion(QStringLiteral("2.10.3"));
  const about::AppVersion set = about::ProgramVersion();
  QCoreApplication::setApplicationVersion(QStringLiteral("not a version"));
  const about::AppVersion fallback = about::ProgramVersion();
  QCoreApplication::setApplicationVersion(saved);

  EXPECT_EQ(about::VersionCaption(set), QStringLiteral("Version 2.10.3"));
  EXPECT_EQ(about::VersionCaption(fallback),
            QStringLiteral("Version ") + QStringLiteral(KELVRAN_PROJECT_VERSION));
}

TEST(ProgramIdentity, Title) {
  EXPECT_EQ(about::ProgramTitle(), QStringLiteral("KELVRAN Evaluation Software"));
}

}  // namespace
