// What a recording started from the window does with a file that holds data.
#include <gmock/gmock.h>

#include <QAction>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "display/main_form.h"
#include "menus/menu_features.h"
#include "userfiles/menu_window_test.h"

namespace {

using ::testing::HasSubstr;

class RecordingFilesTest : public MenuWindowTest {
 protected:
  menus::MenuFeatures& Menu() { return window_->menu_features(); }
  void Write(const QByteArray& text) {
    QFile f(file_);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
  QByteArray Read() {
    QFile f(file_);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QString file_ = File("soak.csv");
};

// --record keeps a file that holds data and says so, while monitoring goes on; the File menu,
// whose file dialog asked before a file that is there was chosen, replaces it.
TEST_F(RecordingFilesTest, TheCommandLineKeepsDataTheMenuReplacesItAfterItsQuestion) {
  Open(R"({"0x40": "0x03"})");
  Find<QTabWidget>("Main_Form_Tab")->setCurrentIndex(2);
  Write("yesterday's soak\n");
  EXPECT_FALSE(Menu().StartRecording(file_, 10));
  ASSERT_EQ(boxes_.shown.size(), 1U);
  EXPECT_EQ(boxes_.shown[0].purpose, QStringLiteral("recording_failed"));
  EXPECT_THAT(boxes_.shown[0].text.toStdString(), HasSubstr(file_.toStdString()));
  EXPECT_THAT(boxes_.shown[0].text.toStdString(), HasSubstr("--overwrite"));
  EXPECT_EQ(Read(), "yesterday's soak\n");
  EXPECT_TRUE(Find<QTimer>("visual_timer")->isActive());
  EXPECT_FALSE(Menu().recorder().running());

  Menu().SetDialogs(dialogs_);
  dialogs_.files = {file_};
  dialogs_.interval_ms = 10;
  window_->findChild<QAction*>(QStringLiteral("action_record"))->trigger();
  ASSERT_TRUE(Menu().recorder().running());
  Menu().recorder().Stop();
  EXPECT_TRUE(Read().startsWith("# kelvran-eval ")) << Read().left(40).toStdString();
}

// --append continues a recording of the same columns after a "# appended:" line.
TEST_F(RecordingFilesTest, AppendContinuesTheRecording) {
  Open(R"({"0x40": "0x03"})");
  ASSERT_TRUE(Menu().StartRecording(file_, 10, files::ExistingFile::Overwrite));
  QTRY_VERIFY(Read().count('\n') >= 9);
  Menu().recorder().Stop();
  const QByteArray first = Read();
  ASSERT_TRUE(Menu().StartRecording(file_, 10, files::ExistingFile::Append));
  QTRY_VERIFY(Read().size() > first.size() + 40);
  Menu().recorder().Stop();
  const QByteArray after = Read();
  EXPECT_TRUE(after.startsWith(first));
  EXPECT_TRUE(after.mid(first.size()).startsWith("# appended: "))
      << after.mid(first.size(), 40).toStdString();
  EXPECT_EQ(after.mid(first.size()).indexOf("time,"), -1);
  EXPECT_TRUE(boxes_.shown.empty());
}

}  // namespace
