#include "review/review_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <deque>
#include <fstream>

#include "review/chart_area.h"
#include "review/file_dialogs.h"
#include "review/recording_model.h"
#include "support/qstring_printer.h"
#include "support/recording_generator.h"
#include "support/scripted_message_boxes.h"
#include "support/test_times.h"

namespace review {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using test_support::kSecond;
using test_support::kT0;

class ScriptedDialogs : public FileDialogs {
 public:
  QString OpenFileName(QWidget*, const QString&) override { return Next(); }
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override {
    return Next();
  }
  QString Next() { return files.isEmpty() ? QString() : files.takeFirst(); }
  QStringList files;
};

class ReviewWindowTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
  void WriteText(const QString& path, const std::string& text, bool append = false) {
    std::ofstream out(path.toStdString(),
                      std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out << text;
  }
  // Opens path and waits until it is read (or refused).
  void Open(const QString& path) {
    window_ = std::make_unique<ReviewWindow>(path, boxes_, &dialogs_);
    window_->resize(1000, 700);
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->Loaded() || window_->Failed(); }, 20000));
    QTest::qWait(10);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(
        QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window_.get(),
        static_cast<Qt::Key>(key), modifiers);
  }
  QString Cell(int row, int column) const {
    auto* table = window_->findChild<QTableWidget*>(QStringLiteral("readout"));
    const QTableWidgetItem* item = table->item(row, column);
    return item == nullptr ? QString() : item->text();
  }
  int PlotWidth() const { return window_->chart_area()->PlotWidth(); }
  // Where the rows begin: the first line of a row (they all start with the year).
  static std::size_t FirstRow(const std::string& text) { return text.find("\n2026") + 1; }

  QTemporaryDir dir_;
  ScriptedMessageBoxes boxes_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<ReviewWindow> window_;
};

// A recording opens titled with its file's name, one pane per unit on one time axis, a legend
// entry per channel, and the whole recording in view.
TEST_F(ReviewWindowTest, OpensARecordingWithAPanePerUnit) {
  ASSERT_TRUE(recordings::WriteFile({.rows = 600}, Path("soak.csv").toStdString()));
  Open(Path("soak.csv"));
  ASSERT_TRUE(window_->Loaded());
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("soak.csv - Recording Review"));
  EXPECT_EQ(
      window_->chart_area()->units(),
      (std::vector<QString>{QStringLiteral("V"), QStringLiteral("°C"), QStringLiteral("RPM")}));
  EXPECT_EQ(window_->findChildren<QCheckBox*>().size(), 10);
  EXPECT_EQ(window_->view().Start(), kT0);
  EXPECT_EQ(window_->view().End(), kT0 + 599 * kSecond);
  EXPECT_THAT(window_->findChild<QLabel*>(QStringLiteral("view_label"))->text().toStdString(),
              HasSubstr("View: 9 min 59 s from 2026-12-06 01:02:03.456; 600 rows"));
  // The legend hides a trace from its pane and from the readout.
  auto* v12 = window_->findChild<QCheckBox*>(QStringLiteral("show_+12V"));
  ASSERT_NE(v12, nullptr);
  const int rows = window_->findChild<QTableWidget*>(QStringLiteral("readout"))->rowCount();
  v12->click();
  EXPECT_EQ(window_->findChild<QTableWidget*>(QStringLiteral("readout"))->rowCount(), rows - 1);
}

// Every step by keys: zoom in and out around the middle, pan, place A and B, move the active
// cursor a pixel at a time, fit all again, clear. (What the readout shows at the cursors is the
// readout's own test, and the end-to-end run's through the screen reader.)
TEST_F(ReviewWindowTest, CursorsAndZoomAreDrivenByKeys) {
  ASSERT_TRUE(recordings::WriteFile({.rows = 1001}, Path("keys.csv").toStdString()));
  Open(Path("keys.csv"));
  const TimeView& view = window_->view();
  ASSERT_EQ(view.Span(), 1000 * kSecond);

  Key(Qt::Key_Plus);
  EXPECT_EQ(view.Span(), 500 * kSecond);
  EXPECT_EQ(view.Start(), kT0 + 250 * kSecond);  // around the middle: 500 s stays in place
  Key(Qt::Key_Right);
  EXPECT_EQ(view.Start(), kT0 + 300 * kSecond);
  Key(Qt::Key_Left);
  Key(Qt::Key_Minus);
  EXPECT_EQ(view.Span(), 1000 * kSecond);

  Key(Qt::Key_Plus);
  Key(Qt::Key_Plus);  // 250 s from 375 s on
  Key(Qt::Key_A);
  ASSERT_TRUE(window_->CursorA().has_value());
  EXPECT_EQ(*window_->CursorA(), kT0 + 500 * kSecond);
  const std::int64_t pixel = 250 * kSecond / PlotWidth();
  Key(Qt::Key_Right, Qt::ShiftModifier);
  Key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(*window_->CursorA(), kT0 + 500 * kSecond + 2 * pixel);
  Key(Qt::Key_B);
  for (int k = 0; k < 40; ++k) Key(Qt::Key_Left, Qt::ShiftModifier);  // B is the active one
  EXPECT_EQ(*window_->CursorB(), kT0 + 500 * kSecond - 40 * pixel);
  EXPECT_EQ(*window_->CursorA(), kT0 + 500 * kSecond + 2 * pixel);

  Key(Qt::Key_F);
  EXPECT_EQ(view.Span(), 1000 * kSecond);
  EXPECT_EQ(view.Following(), TimeView::Follow::All);
  Key(Qt::Key_Escape);
  EXPECT_FALSE(window_->CursorA().has_value());
}

// A file that grows shows its new rows within a second and the view follows its end; once the
// user zooms, the view stays where it is; End follows again, at the width the user chose. A last
// line cut short (still being written, or by a crash) is skipped and said, and read once whole.
TEST_F(ReviewWindowTest, FollowsAGrowingFileUntilTheUserMovesTheView) {
  const std::string text = recordings::Text({.rows = 200});
  // The first 100 rows and a piece of the next now, the rest in steps while the window is open.
  std::vector<std::size_t> cuts{FirstRow(text)};
  for (const int rows : {100, 50, 25, 25}) {
    std::size_t cut = cuts.back();
    for (int n = 0; n < rows; ++n) cut = text.find('\n', cut) + 1;
    cuts.push_back(cut);
  }
  const auto grow_to = [&](std::size_t step, std::int64_t rows) {
    WriteText(Path("growing.csv"), text.substr(cuts[step - 1], cuts[step] - cuts[step - 1]), true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_->model().store().Size() == rows; }, 1000));
  };
  WriteText(Path("growing.csv"), text.substr(0, cuts[1] + 30));
  Open(Path("growing.csv"));
  window_->SetFollowInterval(50);
  EXPECT_EQ(window_->model().store().Size(), 100);
  auto* file_label = window_->findChild<QLabel*>(QStringLiteral("file_label"));
  const auto torn = std::ranges::count(std::string_view(text).substr(0, cuts[1]), '\n') + 1;
  EXPECT_EQ(file_label->text(),
            QStringLiteral("Line %1 is incomplete (still being written, or cut short): skipped.")
                .arg(torn));
  EXPECT_TRUE(boxes_.shown.empty());

  cuts[1] += 30;
  grow_to(2, 150);
  EXPECT_EQ(file_label->text(), QString());
  EXPECT_EQ(window_->view().End(), kT0 + 149 * kSecond);
  Key(Qt::Key_Plus);
  const std::int64_t start = window_->view().Start();
  grow_to(3, 175);
  EXPECT_EQ(window_->view().Start(), start);
  Key(Qt::Key_End);
  grow_to(4, 200);
  EXPECT_EQ(window_->view().End(), kT0 + 199 * kSecond);
  EXPECT_EQ(window_->view().Span(), 74 * kSecond + kSecond / 2);
}

// A file replaced on disk (by a longer one, or cut short) is no longer followed, and the status
// bar says so.
TEST_F(ReviewWindowTest, AFileReplacedOnDiskIsNoLongerFollowed) {
  const std::string text = recordings::Text({.rows = 20});
  for (const bool shorter : {false, true}) {
    WriteText(Path("live.csv"), text);
    Open(Path("live.csv"));
    window_->SetFollowInterval(20);
    auto* view_label = window_->findChild<QLabel*>(QStringLiteral("view_label"));
    ASSERT_THAT(view_label->text().toStdString(), HasSubstr("following the end"));
    WriteText(Path("new.csv"),
              shorter ? text.substr(0, FirstRow(text)) : text + text.substr(FirstRow(text)));
    ASSERT_TRUE(QFile::remove(Path("live.csv")) &&
                QFile::rename(Path("new.csv"), Path("live.csv")));
    auto* file_label = window_->findChild<QLabel*>(QStringLiteral("file_label"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return file_label->text().contains("replaced"); }, 1000))
        << shorter;
    EXPECT_THAT(view_label->text().toStdString(), Not(HasSubstr("following")));
    EXPECT_EQ(window_->model().store().Size(), 20);
  }
}

// A file that is no recording, or none at all, gives a box naming the line and what was expected
// there (the reader's own test tells every such line); the window closes.
TEST_F(ReviewWindowTest, AForeignOrMissingFileIsSaid) {
  WriteText(Path("foreign.csv"), "Date,Value\n2026-12-06,1.5\n");
  const struct {
    const char* file;
    const char* expected;
  } cases[] = {
      {"foreign.csv", "line 1: expected \"# kelvran-eval <version> recording\""},
      {"missing.csv", "cannot open"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    boxes_.shown.clear();
    Open(Path(c.file));
    EXPECT_TRUE(window_->Failed());
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].purpose, QStringLiteral("recording_unreadable"));
    EXPECT_THAT(boxes_.shown[0].text.toStdString(), HasSubstr(c.file));
    EXPECT_THAT(boxes_.shown[0].text.toStdString(), HasSubstr(c.expected));
    EXPECT_FALSE(window_->isVisible());
  }
}

// N and P step through the alarms, each centred in the view; the alarm is shaded in its pane.
TEST_F(ReviewWindowTest, AlarmKeysJumpToTheNextAndPreviousAlarm) {
  ASSERT_TRUE(recordings::WriteFile({.rows = 3000, .v12_alarms = {{1000, 1010}, {2500, 2501}}},
                                    Path("alarms.csv").toStdString()));
  Open(Path("alarms.csv"));
  window_->ZoomBy(0.1);  // 300 s around the middle, between the two alarms
  auto centre = [&] { return window_->view().Start() + window_->view().Span() / 2; };
  Key(Qt::Key_P);
  EXPECT_EQ(centre(), kT0 + 999 * kSecond);  // the alarm latched after row 999
  Key(Qt::Key_P);
  EXPECT_EQ(centre(), kT0 + 999 * kSecond);  // none before it
  Key(Qt::Key_N);
  EXPECT_EQ(centre(), kT0 + 2499 * kSecond);
  Key(Qt::Key_N);
  EXPECT_EQ(centre(), kT0 + 2499 * kSecond);  // none after it
  Key(Qt::Key_P);
  EXPECT_EQ(centre(), kT0 + 999 * kSecond);

  // The alarm's span shows as the +12V colour over the plot where the trace is not.
  chart::RecordingPlot* volts = window_->chart_area()->panes().front();
  const QImage shot = volts->grab().toImage();
  const QRect plot = volts->PlotRect();
  const int x = static_cast<int>(volts->XOfTime(kT0 + 1005 * kSecond));
  const QColor inside = shot.pixelColor(x, plot.top() + 3);
  const QColor outside =
      shot.pixelColor(static_cast<int>(volts->XOfTime(kT0 + 980 * kSecond)), plot.top() + 3);
  EXPECT_EQ(outside, QColor(0, 0, 0));
  EXPECT_GT(inside.blue(), 20);  // +12V is drawn blue
}

// The view exports as a picture with a margin; the rows from A to B as CSV.
TEST_F(ReviewWindowTest, ExportsCopiesAndReadsOutTheViewAndTheRowsFromAToB) {
  ASSERT_TRUE(recordings::WriteFile({.rows = 100}, Path("export.csv").toStdString()));
  Open(Path("export.csv"));
  dialogs_.files = {Path("view.png"), Path("span.csv")};
  window_->ExportView();
  // The margin is the chart export's, whose test looks at its every pixel.
  const QWidget* area = window_->chart_area();
  EXPECT_EQ(QImage(Path("view.png")).size(),
            (area->size() + QSize(24, 24)) * area->devicePixelRatio());

  window_->PlaceCursor(false, kT0 + 10 * kSecond + 100);
  window_->PlaceCursor(true, kT0 + 5 * kSecond);
  window_->ExportSpan();
  QFile csv(Path("span.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 8);  // names, rows 5 to 10, and the end
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("time,seconds,+2.5V [V],+Vccp1 [V]")));
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2026-12-06T01:02:08.456+01:00,0.000,")));
  EXPECT_TRUE(lines[6].startsWith(QStringLiteral("2026-12-06T01:02:13.456+01:00,5.000,")));

  // The readings and statistics reach screen readers through the table, and copy as text.
  window_->PlaceCursor(false, kT0 + 10 * kSecond);
  window_->PlaceCursor(true, kT0 + 20 * kSecond);
  auto* table = window_->findChild<QTableWidget*>(QStringLiteral("readout"));
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(table);
  ASSERT_NE(iface, nullptr);
  ASSERT_NE(iface->tableInterface(), nullptr);
  QAccessibleInterface* cell = iface->tableInterface()->cellAt(0, kRowsColumn);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("11"));
  window_->CopyReadings();
  const QString copied = QApplication::clipboard()->text();
  EXPECT_THAT(copied.toStdString(), HasSubstr("Δt 10 s"));
  EXPECT_THAT(copied.toStdString(), HasSubstr("Channel\tA\tB\tB - A\tMin\tMax"));
  EXPECT_EQ(copied.count(QLatin1Char('\n')), 12);
}

// A second recording over the first: aligned at the starts by default (it began an hour later),
// by clock time when asked, a nudge on top; read at the cursors beside the first; its growth
// followed; the A-B export holds both and opens again. (The end-to-end run reads the legend that
// names the channels only one of them has.)
TEST_F(ReviewWindowTest, ComparesASecondRecording) {
  ASSERT_TRUE(recordings::WriteFile({.rows = 600}, Path("first.csv").toStdString()));
  const std::string text = recordings::Text({.rows = 300,
                                             .start_ms = recordings::Spec().start_ms + 3'600'000,
                                             .channel_mode = 0x01,  // AIN 1 in place of Fan 1
                                             .seed = 5});
  std::size_t cut = FirstRow(text);
  for (int n = 0; n < 200; ++n) cut = text.find('\n', cut) + 1;
  WriteText(Path("second.csv"), text.substr(0, cut));
  Open(Path("first.csv"));
  window_->SetFollowInterval(50);
  WriteText(Path("foreign.csv"), "Date,Value\n");
  window_->CompareWith(Path("foreign.csv"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes_.shown.empty(); }, 5000));
  EXPECT_THAT(boxes_.shown[0].text.toStdString(), HasSubstr("foreign.csv.\n\nline 1: expected"));
  EXPECT_TRUE(window_->isVisible());
  dialogs_.files = {Path("second.csv")};
  window_->CompareWith();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window_->Comparison() != nullptr; }, 5000));
  const Compared& compared = *window_->Comparison();
  EXPECT_EQ(compared.shift, -3600 * kSecond);
  EXPECT_EQ(window_->chart_area()->panes().front()->Layers().size(), 2u);

  window_->AlignByClock(true);
  EXPECT_EQ(compared.shift, 0);
  window_->NudgeBy(5 * kSecond);
  Key(Qt::Key_Right, Qt::AltModifier);
  EXPECT_EQ(compared.shift, 5 * kSecond + window_->view().Span() / 100);
  window_->AlignByClock(false);
  EXPECT_EQ(compared.shift, -3600 * kSecond);

  window_->PlaceCursor(false, kT0 + 20 * kSecond);
  window_->PlaceCursor(true, kT0 + 50 * kSecond);
  // The compared run's row and the difference row below it; a channel of one run has no pair.
  int row = -1;
  for (int r = 0; r < 20; ++r) {
    if (Cell(r, 0) == QStringLiteral("+5V [V] · second.csv")) row = r;
    EXPECT_NE(Cell(r, 0), QStringLiteral("Fan 1 [RPM] · second.csv"));
  }
  ASSERT_GE(row, 0);
  const double theirs =
      compared.model->store().ValueAt(compared.model->SeriesOf(QStringLiteral("+5V")), 20);
  const double ours =
      window_->model().store().ValueAt(window_->model().SeriesOf(QStringLiteral("+5V")), 20);
  EXPECT_EQ(Cell(row, 1), QString::number(theirs, 'f', 3));
  EXPECT_EQ(Cell(row, kRowsColumn), QStringLiteral("31"));
  EXPECT_EQ(Cell(row + 1, 1), QString::number(theirs - ours, 'f', 3));

  WriteText(Path("second.csv"), text.substr(cut), true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return compared.model->store().Size() == 300; }, 2000));

  dialogs_.files = {Path("ab.csv")};
  window_->ExportSpan();
  Open(Path("ab.csv"));
  ASSERT_TRUE(window_->Loaded());
  EXPECT_GE(window_->model().SeriesOf(QStringLiteral("+5V · second.csv")), 0);
  EXPECT_EQ(window_->model().store().Size(), 31);
}

}  // namespace
}  // namespace review
