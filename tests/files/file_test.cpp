// The files the program writes and reads for the user, as the file system sees them.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "files/file_replace.h"
#include "files/file_text.h"
#include "files/recording_file.h"
#include "support/file_text.h"
#include "support/thrown.h"

namespace files {
namespace {

namespace fs = std::filesystem;

using kelvran_test::FileText;
using kelvran_test::MessageOf;
using kelvran_test::TestFolder;
using ::testing::HasSubstr;

// The new file takes the old one's place with its permissions; a link to it stays a link; no
// temporary file is left beside it.
TEST(ReplaceFile, KeepsPermissionsAndLinksAndLeavesNothingBehind) {
  const std::string folder = TestFolder();
  const std::string real = folder + "real.json";
  const std::string link = folder + "link.json";
  std::ofstream(real) << "old";
  ::chmod(real.c_str(), 0640);
  fs::create_symlink("real.json", link);
  ReplaceFile(link, "new", "the snapshot");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(FileText(real), "new");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
  EXPECT_THAT(
      MessageOf<FileError>([&] { ReplaceFile(folder + "no/such/x.json", "new", "the snapshot"); }),
      HasSubstr("cannot write the snapshot: No such file"));
}

// A pipe is no file to read: refused at once rather than waited on.
TEST(ReadUserFile, APipeIsRefusedWithoutWaiting) {
  const std::string fifo = TestFolder() + "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THAT(MessageOf<FileError>([&] { ReadUserFile(fifo, "the snapshot"); }),
              HasSubstr("not a regular file"));
}

TEST(PlainText, DropsWhatATerminalWouldActOn) {
  EXPECT_EQ(PlainText("a\x1b[2Jb\x07\x7f c\td\n\xc2\x9b"
                      "1m\xc2\xb0"),
            "a[2Jb c\td\n1m\xc2\xb0");
}

TEST(RecordingFile, TextReachesTheFileWithinASecond) {
  const fs::path dir = TestFolder();
  using Clock = RecordingFile::Clock;
  const Clock::time_point t0{};
  RecordingFile file((dir / "r.csv").string(), t0);
  file.Write("a\n", t0 + std::chrono::milliseconds(10));
  file.Write("b\n", t0 + std::chrono::milliseconds(990));
  EXPECT_EQ(FileText(dir / "r.csv"), "");
  file.Write("c\n", t0 + std::chrono::milliseconds(1000));
  EXPECT_EQ(FileText(dir / "r.csv"), "a\nb\nc\n");
}

// A file deleted under a recording is said to be, rather than written on unseen.
TEST(RecordingFile, AFileDeletedUnderItIsAFailure) {
  const fs::path dir = TestFolder();
  RecordingFile gone((dir / "r.csv").string());
  fs::remove_all(dir);
  gone.Write("row\n");
  EXPECT_NE(MessageOf<RecordingError>([&] { gone.Flush(); }).find("deleted"), std::string::npos);
}

// --append on a recording a killed run left inside a row: the restart line starts a line of its
// own, and the columns compared are the last ones the file names.
TEST(RecordingFileAppend, ARowCutShortKeepsToItsOwnLine) {
  const std::string file = TestFolder() + "r.csv";
  const std::string before =
      "# kelvran-eval 1.0.0 recording\ntime,seconds,A\n1,0.000,1\n# channel mode changed to 0x01 "
      "at 2\ntime,seconds,B\n2,0.0";
  std::ofstream(file) << before;
  {
    RecordingFile other_columns(file, ExistingFile::Append);
    EXPECT_THROW(other_columns.Begin("# header\n", "time,seconds,A\n", "T"), RecordingRefused);
  }
  EXPECT_EQ(FileText(file), before);
  RecordingFile same(file, ExistingFile::Append);
  same.Begin("# header\n", "time,seconds,B\n", "T");
  same.Write("3,0.000,3\n");
  same.Close();
  EXPECT_EQ(FileText(file), before + "\n# appended: T\n3,0.000,3\n");
}

}  // namespace
}  // namespace files
