#include "chip/recording.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "chip/local_time.h"
#include "chip/recording_file.h"
#include "chip/recording_session.h"

namespace chip {
namespace {

namespace fs = std::filesystem;
using Clock = RecordingFile::Clock;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Recording, ColumnsAndRowsPairValueWithRawByte) {
  const std::array<RecordedChannel, 3> channels{
      {{"+12V", "V", 3}, {"Fan 1", "RPM", 0}, {"External 1", "°C", 0}}};
  EXPECT_EQ(FormatColumnNames(channels),
            "time,seconds,+12V [V],+12V raw,Fan 1 [RPM],Fan 1 raw,External 1 [°C],"
            "External 1 raw,INT Status 1,INT Status 2\n");

  const std::array<ChannelSample, 3> samples{{{12.0313, 193}, {4821.4, 70}, {-0.2, 0}}};
  std::string rows;
  AppendRow(rows, "2026-12-06T01:02:03.456+01:00", 1.5, channels, samples, StatusSample{0, 16});
  AppendRow(rows, "t", 2.25, channels, samples, std::nullopt);
  EXPECT_EQ(rows,
            "2026-12-06T01:02:03.456+01:00,1.500,12.031,193,4821,70,0,0,0,16\n"
            "t,2.250,12.031,193,4821,70,0,0,,\n");
}

TEST(Recording, QuotesFieldsAsCsvReadersExpect) {
  const std::array<std::pair<std::string_view, std::string_view>, 4> cases{{
      {"plain", "plain"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\nlines", "\"two\nlines\""},
  }};
  for (const auto& [field, quoted] : cases) {
    std::string out;
    AppendCsvField(out, field);
    EXPECT_EQ(out, quoted);
  }
}

TEST(Recording, LocalTimeCarriesMillisecondsAndOffset) {
  const char* saved = std::getenv("TZ");
  const std::string old = saved != nullptr ? saved : "";
  const auto when = std::chrono::system_clock::from_time_t(1796516645) +
                    std::chrono::milliseconds(7);  // 2026-12-06T00:24:05.007Z
  const std::array<std::pair<const char*, const char*>, 3> zones{{
      {"UTC0", "2026-12-06T00:24:05.007+00:00"},
      {"<+0530>-5:30", "2026-12-06T05:54:05.007+05:30"},
      {"<-03>3", "2026-12-05T21:24:05.007-03:00"},
  }};
  for (const auto& [zone, text] : zones) {
    setenv("TZ", zone, 1);
    tzset();
    EXPECT_EQ(IsoLocalTime(when), text) << zone;
  }
  if (saved != nullptr) {
    setenv("TZ", old.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

class RecordingFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("recording_test_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir);
  }
  fs::path dir;
};

TEST_F(RecordingFileTest, TextReachesTheFileWithinASecond) {
  const Clock::time_point t0{};
  RecordingFile file((dir / "r.csv").string(), t0);
  file.Write("a\n", t0 + std::chrono::milliseconds(10));
  file.Write("b\n", t0 + std::chrono::milliseconds(990));
  EXPECT_EQ(Slurp(dir / "r.csv"), "");
  file.Write("c\n", t0 + std::chrono::milliseconds(1000));
  EXPECT_EQ(Slurp(dir / "r.csv"), "a\nb\nc\n");
}

// What a file operation threw, or "" when it did not.
template <typename Operation>
std::string ErrorOf(Operation operation) {
  try {
    operation();
  } catch (const RecordingError& e) {
    return e.what();
  }
  return "";
}

TEST_F(RecordingFileTest, FailuresNameTheFileAndTheReason) {
  const std::string path = (dir / "r.csv").string();
  if (::geteuid() != 0) {  // root writes anywhere
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(ErrorOf([&] { RecordingFile file(path); }),
              "cannot create the recording file " + path + ": Permission denied");
    fs::permissions(dir, fs::perms::owner_all);
  }
  EXPECT_NE(ErrorOf([&] { RecordingFile file((dir / "no" / "r.csv").string()); }), "");

  RecordingFile full("/dev/full");
  full.Write("row\n");
  EXPECT_EQ(ErrorOf([&] { full.Flush(); }),
            "cannot write the recording file /dev/full: No space left on device");

  RecordingFile gone(path);
  fs::remove_all(dir);
  gone.Write("row\n");
  EXPECT_NE(ErrorOf([&] { gone.Flush(); }).find("deleted"), std::string::npos);
  fs::create_directories(dir);
}

TEST_F(RecordingFileTest, SessionFollowsTheChannelModeAndNeverReadsStatus) {
  std::array<std::uint8_t, 256> regs{};
  regs[0x24] = 192;   // +12V
  regs[0x28] = 150;   // FAN1 count: 4500 RPM with divisor 2
  regs[0x47] = 0x50;  // both divisors 2
  std::vector<std::uint8_t> reads;
  const auto read = [&](std::uint8_t a) {
    reads.push_back(a);
    return regs[a];
  };
  const Clock::time_point t0{};
  const auto wall = std::chrono::system_clock::now();
  {
    RecordingFile file((dir / "r.csv").string(), t0);
    RecordingSession session({"1.0.0", {"SMBus", 0x2D, std::nullopt}, 0, {}}, read, file, wall, t0);
    session.Row(StatusSample{1, 2}, wall, t0 + std::chrono::milliseconds(10));
    regs[0x16] = 0x01;  // FAN1 becomes AIN1
    session.Row(std::nullopt, wall, t0 + std::chrono::milliseconds(20));
  }
  std::vector<std::string> lines;
  std::stringstream text(Slurp(dir / "r.csv"));
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 10U);
  EXPECT_EQ(lines[3], "# channel mode: 0x00");
  EXPECT_NE(lines[5].find(",+12V [V],+12V raw,"), std::string::npos);
  EXPECT_NE(lines[5].find(",Fan 1 [RPM],Fan 1 raw,"), std::string::npos);
  EXPECT_TRUE(lines[6].find(",0.010,") != std::string::npos &&
              lines[6].find(",12.062,192,") != std::string::npos)
      << lines[6];
  EXPECT_NE(lines[6].find(",4500,150,"), std::string::npos) << lines[6];
  EXPECT_TRUE(lines[6].ends_with(",1,2"));
  EXPECT_TRUE(lines[7].starts_with("# channel mode changed to 0x01 at "));
  EXPECT_NE(lines[8].find(",AIN 1 [V],AIN 1 raw,"), std::string::npos);
  EXPECT_TRUE(lines[9].ends_with(",,"));
  for (const int status : {0x41, 0x42, 0x4C, 0x4D}) {
    EXPECT_EQ(std::count(reads.begin(), reads.end(), static_cast<std::uint8_t>(status)), 0);
  }
}

}  // namespace
}  // namespace chip
