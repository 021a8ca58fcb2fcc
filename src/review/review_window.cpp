#include "review/review_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "boxes/export_file.h"
#include "boxes/message_boxes.h"
#include "chip/recording_reader.h"
#include "review/chart_area.h"
#include "review/file_dialogs.h"
#include "review/readout.h"
#include "review/recording_model.h"
#include "review/recording_source.h"
#include "review/span_export.h"

namespace review {

namespace {

constexpr int kPollMs = 100;    // progress of the first reading
constexpr int kFollowMs = 500;  // a growing file shows new rows within a second
constexpr std::uint64_t kFollowBytes = 8u
                                       << 20;  // read per look, so a burst never stalls the window
constexpr double kZoomStep = 0.5;              // + and - halve and double the span
constexpr double kPanStep = 0.1;               // arrow keys pan a tenth of the span

QString Title(const QString& path) {
  return QFileInfo(path).fileName() + QStringLiteral(" - Recording Review");
}

QIcon Swatch(const QColor& colour) {
  QPixmap pixmap(12, 12);
  pixmap.fill(colour);
  return QIcon(pixmap);
}

}  // namespace

ReviewWindow::ReviewWindow(const QString& path, boxes::MessageBoxes& boxes, FileDialogs* dialogs,
                           QWidget* parent)
    : QMainWindow(parent),
      path_(path),
      boxes_(boxes),
      own_dialogs_(dialogs == nullptr ? std::make_unique<QtFileDialogs>() : nullptr),
      dialogs_(dialogs == nullptr ? own_dialogs_.get() : dialogs),
      poll_timer_(new QTimer(this)),
      follow_timer_(new QTimer(this)),
      view_label_(new QLabel(this)),
      file_label_(new QLabel(this)),
      progress_(new QProgressBar(this)) {
  setObjectName(QStringLiteral("ReviewWindow"));
  setWindowTitle(Title(path));
  statusBar()->setObjectName(QStringLiteral("review_status_bar"));
  view_label_->setObjectName(QStringLiteral("view_label"));
  file_label_->setObjectName(QStringLiteral("file_label"));
  progress_->setObjectName(QStringLiteral("load_progress"));
  progress_->setAccessibleName(QStringLiteral("Reading the recording"));
  progress_->setRange(0, 100);
  statusBar()->addWidget(view_label_, 1);
  statusBar()->addWidget(file_label_, 1);
  statusBar()->addPermanentWidget(progress_);
  auto* loading = new QLabel(QStringLiteral("Reading %1…").arg(QFileInfo(path).fileName()), this);
  loading->setAlignment(Qt::AlignCenter);
  setCentralWidget(loading);
  resize(1100, 760);
  BuildMenus();

  poll_timer_->setObjectName(QStringLiteral("load_poll_timer"));
  poll_timer_->setInterval(kPollMs);
  connect(poll_timer_, &QTimer::timeout, this, &ReviewWindow::PollLoad);
  follow_timer_->setObjectName(QStringLiteral("follow_timer"));
  follow_timer_->setInterval(kFollowMs);
  connect(follow_timer_, &QTimer::timeout, this, &ReviewWindow::Follow);

  try {
    source_ = std::make_unique<RecordingSource>(path.toStdString());
  } catch (const std::exception& e) {
    // Said once the window's constructor has returned, so the caller can connect first.
    QTimer::singleShot(0, this,
                       [this, reason = QString::fromStdString(e.what())] { Fail(reason); });
    return;
  }
  RecordingSource* source = source_.get();
  loader_ = std::thread([this, source] {
    try {
      source->ReadMore(UINT64_MAX, &cancel_);
    } catch (...) {
      load_error_ = std::current_exception();
    }
    loader_finished_.store(true);
  });
  poll_timer_->start();
}

ReviewWindow::~ReviewWindow() {
  cancel_.store(true);
  if (loader_.joinable()) loader_.join();
}

const RecordingModel& ReviewWindow::model() const {
  return source_->model();
}

void ReviewWindow::SetFollowInterval(int milliseconds) {
  follow_timer_->setInterval(milliseconds);
}

QAction* ReviewWindow::AddAction(QMenu* menu, const char* name, const QString& text,
                                 const QList<QKeySequence>& keys, void (ReviewWindow::*slot)()) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcuts(keys);
  action->setShortcutContext(Qt::WindowShortcut);
  connect(action, &QAction::triggered, this, slot);
  return action;
}

void ReviewWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("review_menu_bar"));
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("review_menu_file"));
  AddAction(file, "action_open_recording", QStringLiteral("Open Recording…"),
            {QKeySequence(Qt::CTRL | Qt::Key_O)}, &ReviewWindow::OpenAnother);
  file->addSeparator();
  AddAction(file, "action_export_view", QStringLiteral("Export View as PNG…"),
            {QKeySequence(Qt::CTRL | Qt::Key_E)}, &ReviewWindow::ExportView);
  export_span_ =
      AddAction(file, "action_export_span", QStringLiteral("Export A-B as CSV…"),
                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)}, &ReviewWindow::ExportSpan);
  export_span_->setEnabled(false);
  AddAction(file, "action_copy_readings", QStringLiteral("Copy Readings"),
            {QKeySequence(Qt::CTRL | Qt::Key_C)}, &ReviewWindow::CopyReadings);
  file->addSeparator();
  QAction* close_action = file->addAction(QStringLiteral("Close"));
  close_action->setObjectName(QStringLiteral("action_close"));
  close_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  connect(close_action, &QAction::triggered, this, &QWidget::close);

  QMenu* view = bar->addMenu(QStringLiteral("&View"));
  view->setObjectName(QStringLiteral("review_menu_view"));
  AddAction(view, "action_fit_all", QStringLiteral("Fit All"),
            {QKeySequence(Qt::Key_F), QKeySequence(Qt::Key_Home)}, &ReviewWindow::FitAll);
  AddAction(view, "action_follow_end", QStringLiteral("Follow the End"),
            {QKeySequence(Qt::Key_End)}, &ReviewWindow::FollowEnd);
  QAction* zoom_in = view->addAction(QStringLiteral("Zoom In"));
  zoom_in->setObjectName(QStringLiteral("action_zoom_in"));
  zoom_in->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)});
  connect(zoom_in, &QAction::triggered, this, [this] { ZoomBy(kZoomStep); });
  QAction* zoom_out = view->addAction(QStringLiteral("Zoom Out"));
  zoom_out->setObjectName(QStringLiteral("action_zoom_out"));
  zoom_out->setShortcuts({QKeySequence(Qt::Key_Minus)});
  connect(zoom_out, &QAction::triggered, this, [this] { ZoomBy(1.0 / kZoomStep); });
  QAction* left = view->addAction(QStringLiteral("Pan Back"));
  left->setObjectName(QStringLiteral("action_pan_back"));
  left->setShortcut(QKeySequence(Qt::Key_Left));
  connect(left, &QAction::triggered, this, [this] { Pan(-kPanStep); });
  QAction* right = view->addAction(QStringLiteral("Pan On"));
  right->setObjectName(QStringLiteral("action_pan_on"));
  right->setShortcut(QKeySequence(Qt::Key_Right));
  connect(right, &QAction::triggered, this, [this] { Pan(kPanStep); });
  view->addSeparator();
  elapsed_action_ = view->addAction(QStringLiteral("Elapsed Time"));
  elapsed_action_->setObjectName(QStringLiteral("action_elapsed_time"));
  elapsed_action_->setCheckable(true);
  elapsed_action_->setShortcut(QKeySequence(Qt::Key_T));
  connect(elapsed_action_, &QAction::toggled, this, [this](bool on) {
    elapsed_ = on;
    ViewChanged();
  });

  QMenu* cursors = bar->addMenu(QStringLiteral("&Cursors"));
  cursors->setObjectName(QStringLiteral("review_menu_cursors"));
  QAction* a = cursors->addAction(QStringLiteral("Place Cursor A"));
  a->setObjectName(QStringLiteral("action_cursor_a"));
  a->setShortcut(QKeySequence(Qt::Key_A));
  connect(a, &QAction::triggered, this, [this] { PlaceCursor(false); });
  QAction* b = cursors->addAction(QStringLiteral("Place Cursor B"));
  b->setObjectName(QStringLiteral("action_cursor_b"));
  b->setShortcut(QKeySequence(Qt::Key_B));
  connect(b, &QAction::triggered, this, [this] { PlaceCursor(true); });
  QAction* back = cursors->addAction(QStringLiteral("Move Cursor Back"));
  back->setObjectName(QStringLiteral("action_cursor_back"));
  back->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Left));
  connect(back, &QAction::triggered, this, [this] { MoveCursor(-1); });
  QAction* on = cursors->addAction(QStringLiteral("Move Cursor On"));
  on->setObjectName(QStringLiteral("action_cursor_on"));
  on->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Right));
  connect(on, &QAction::triggered, this, [this] { MoveCursor(1); });
  AddAction(cursors, "action_clear_cursors", QStringLiteral("Clear Cursors"),
            {QKeySequence(Qt::Key_Escape)}, &ReviewWindow::ClearCursors);
  cursors->addSeparator();
  QAction* next = cursors->addAction(QStringLiteral("Next Alarm"));
  next->setObjectName(QStringLiteral("action_next_alarm"));
  next->setShortcut(QKeySequence(Qt::Key_N));
  connect(next, &QAction::triggered, this, [this] { JumpToAlarm(true); });
  QAction* previous = cursors->addAction(QStringLiteral("Previous Alarm"));
  previous->setObjectName(QStringLiteral("action_previous_alarm"));
  previous->setShortcut(QKeySequence(Qt::Key_P));
  connect(previous, &QAction::triggered, this, [this] { JumpToAlarm(false); });

  // Until the recording is read, only opening another and closing make sense.
  for (QMenu* menu : {view, cursors}) menu->setEnabled(false);
}

void ReviewWindow::PollLoad() {
  const std::uint64_t size = std::max<std::uint64_t>(1, source_->FileSize());
  progress_->setValue(
      static_cast<int>(std::min<std::uint64_t>(100, source_->BytesRead() * 100 / size)));
  if (!loader_finished_.load()) return;
  poll_timer_->stop();
  loader_.join();
  LoadFinished();
}

void ReviewWindow::LoadFinished() {
  try {
    if (load_error_) std::rethrow_exception(load_error_);
    torn_line_ = source_->TornLine();
  } catch (const std::exception& e) {
    Fail(QString::fromStdString(e.what()));
    return;
  }
  loader_done_ = true;
  progress_->hide();
  const chart::SeriesStore& store = source_->model().store();
  if (!store.Empty()) view_.SetData(store.TimeAt(0), store.TimeAt(store.Size() - 1));
  BuildContent();
  for (QMenu* menu : menuBar()->findChildren<QMenu*>()) menu->setEnabled(true);
  ViewChanged();
  follow_timer_->start();
  emit loaded();
}

void ReviewWindow::Fail(const QString& reason) {
  failed_ = true;
  poll_timer_->stop();
  follow_timer_->stop();
  boxes_.Show(this, QStringLiteral("recording_unreadable"), QStringLiteral("Open Recording"),
              QStringLiteral("Cannot show %1 as a recording.\n\n%2")
                  .arg(QFileInfo(path_).fileName(), reason),
              boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
  emit failed();
  close();
}

void ReviewWindow::BuildContent() {
  const RecordingModel& model = source_->model();
  auto* content = new QWidget(this);
  content->setObjectName(QStringLiteral("review_content"));
  area_ = new ChartArea(model, content);
  connect(area_, &ChartArea::zoomAround, this, [this](std::int64_t time, double factor) {
    view_.ZoomAround(time, factor);
    ViewChanged();
  });
  connect(area_, &ChartArea::panBy, this, [this](std::int64_t ns) {
    view_.PanBy(ns);
    ViewChanged();
  });
  connect(area_, &ChartArea::showSpan, this, [this](std::int64_t a, std::int64_t b) {
    view_.Show(a, b);
    ViewChanged();
  });
  connect(area_, &ChartArea::cursorPlaced, this,
          [this](bool b, std::int64_t time) { PlaceCursor(b, time); });

  // The legend: one check box per channel, in its trace's colour, that shows or hides it.
  auto* legend = new QWidget(content);
  legend->setObjectName(QStringLiteral("legend"));
  auto* legend_layout = new QVBoxLayout(legend);
  auto* legend_title = new QLabel(QStringLiteral("Channels"), legend);
  legend_layout->addWidget(legend_title);
  for (const RecordingModel::Series& s : model.series()) {
    auto* box = new QCheckBox(s.caption, legend);
    box->setObjectName(QStringLiteral("show_") + s.caption);
    box->setIcon(Swatch(s.color));
    box->setChecked(true);
    box->setToolTip(QStringLiteral("Show or hide %1").arg(s.caption));
    connect(box, &QCheckBox::toggled, this, [this] {
      std::vector<bool> shown;
      for (const QCheckBox* c : legend_) shown.push_back(c->isChecked());
      area_->SetShown(shown);
      ViewChanged();
    });
    legend_layout->addWidget(box);
    legend_.push_back(box);
  }
  legend_layout->addStretch(1);

  summary_ = new QLabel(content);
  summary_->setObjectName(QStringLiteral("readout_summary"));
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  readout_ = new QTableWidget(0, kReadoutColumns, content);
  readout_->setObjectName(QStringLiteral("readout"));
  readout_->setAccessibleName(QStringLiteral("Cursor readings and statistics"));
  readout_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  readout_->verticalHeader()->hide();
  readout_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  for (int c = 0; c < kReadoutColumns; ++c)
    readout_->setHorizontalHeaderItem(c, new QTableWidgetItem(ReadoutHeader(c)));

  auto* top = new QHBoxLayout;
  top->addWidget(area_, 1);
  top->addWidget(legend);
  auto* top_widget = new QWidget(content);
  top_widget->setLayout(top);
  top->setContentsMargins(0, 0, 0, 0);
  auto* bottom = new QWidget(content);
  auto* bottom_layout = new QVBoxLayout(bottom);
  bottom_layout->setContentsMargins(0, 0, 0, 0);
  bottom_layout->addWidget(summary_);
  bottom_layout->addWidget(readout_);
  auto* split = new QSplitter(Qt::Vertical, content);
  split->addWidget(top_widget);
  split->addWidget(bottom);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(content);
  layout->addWidget(split);
  setCentralWidget(content);

  // The arrow keys pan and move cursors while the charts have the focus; elsewhere (the
  // table, the legend) they keep their own meaning.
  for (QAction* action : findChildren<QAction*>()) {
    const QString name = action->objectName();
    if (name == QLatin1String("action_pan_back") || name == QLatin1String("action_pan_on") ||
        name == QLatin1String("action_cursor_back") || name == QLatin1String("action_cursor_on")) {
      action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      area_->addAction(action);
    }
  }
  setTabOrder(area_, legend_.empty() ? static_cast<QWidget*>(readout_) : legend_.front());
  area_->SetShown(std::vector<bool>(model.series().size(), true));
  area_->setFocus();
}

std::vector<int> ReviewWindow::ShownSeries() const {
  std::vector<int> shown;
  for (std::size_t s = 0; s < legend_.size(); ++s) {
    if (legend_[s]->isChecked()) shown.push_back(static_cast<int>(s));
  }
  return shown;
}

chart::TimeAxis ReviewWindow::Axis() const {
  chart::TimeAxis axis;
  axis.style = elapsed_ ? chart::TimeAxis::Style::Elapsed : chart::TimeAxis::Style::Clock;
  axis.utc_offset_seconds = Loaded() ? source_->model().UtcOffsetSeconds() : 0;
  const chart::SeriesStore& store = source_->model().store();
  axis.origin = store.Empty() ? 0 : store.TimeAt(0);
  return axis;
}

void ReviewWindow::ViewChanged() {
  if (!Loaded()) return;
  area_->SetView(view_.Start(), view_.End(), Axis(), cursor_a_, cursor_b_);
  export_span_->setEnabled(cursor_a_ && cursor_b_);
  ShowReadout();
  ShowStatus();
}

void ReviewWindow::ShowReadout() {
  const std::vector<int> shown = ShownSeries();
  const Readout r =
      ComputeReadout(source_->model(), shown, cursor_a_, cursor_b_, view_.Start(), view_.End());
  summary_->setText(ReadoutSummary(r, Axis()));
  readout_->setRowCount(static_cast<int>(r.rows.size()));
  for (std::size_t row = 0; row < r.rows.size(); ++row) {
    for (int c = 0; c < kReadoutColumns; ++c) {
      const QString text = ReadoutCell(r, source_->model(), row, c);
      QTableWidgetItem* item = readout_->item(static_cast<int>(row), c);
      if (item == nullptr) {
        item = new QTableWidgetItem;
        readout_->setItem(static_cast<int>(row), c, item);
      }
      if (item->text() != text) item->setText(text);
      if (c == 0) {
        item->setForeground(
            source_->model().series()[static_cast<std::size_t>(r.rows[row].series)].color.darker(
                150));
      }
    }
  }
}

void ReviewWindow::ShowStatus() {
  const chart::SeriesStore& store = source_->model().store();
  QString following;
  if (view_.Following() == TimeView::Follow::All) following = QStringLiteral(", following the end");
  if (view_.Following() == TimeView::Follow::End) following = QStringLiteral(", following the end");
  view_label_->setText(
      QStringLiteral("View: %1 from %2; %3 %4%5")
          .arg(chart::SpanText(view_.Span()), chart::FullTime(Axis(), view_.Start()))
          .arg(store.Size())
          .arg(store.Size() == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
          .arg(following));
  QString file;
  if (file_changed_) {
    file = QStringLiteral("The file got shorter: it was replaced or cut; open it again to see it.");
  } else if (torn_line_ != 0) {
    file = QStringLiteral("Line %1 is incomplete (still being written, or cut short): skipped.")
               .arg(torn_line_);
  }
  file_label_->setText(file);
}

void ReviewWindow::Follow() {
  if (!Loaded() || file_changed_) return;
  if (!source_->Intact()) {
    file_changed_ = true;
    ShowStatus();
    return;
  }
  if (source_->FileSize() == source_->BytesRead()) return;
  const std::size_t series_before = source_->model().series().size();
  try {
    source_->ReadMore(kFollowBytes);
    torn_line_ = source_->TornLine();
  } catch (const std::exception& e) {
    // What was read stays on screen; the rest of the file is not shown.
    follow_timer_->stop();
    boxes_.Show(this, QStringLiteral("recording_unreadable"), QStringLiteral("Open Recording"),
                QStringLiteral("Cannot read the rest of %1.\n\n%2")
                    .arg(QFileInfo(path_).fileName(), QString::fromStdString(e.what())),
                boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
    return;
  }
  const RecordingModel& model = source_->model();
  if (model.series().size() != series_before) {
    // A Channel Mode change brought channels the legend has not got: build it again.
    legend_.clear();
    BuildContent();
  }
  const chart::SeriesStore& store = model.store();
  if (!store.Empty()) view_.SetData(store.TimeAt(0), store.TimeAt(store.Size() - 1));
  area_->DataChanged();
  ViewChanged();
}

void ReviewWindow::FitAll() {
  view_.FitAll();
  ViewChanged();
}

void ReviewWindow::FollowEnd() {
  view_.FollowEnd();
  ViewChanged();
}

void ReviewWindow::ZoomBy(double factor) {
  // Around the pointer when it is over a chart, else around the middle.
  const std::int64_t at = area_ != nullptr && area_->PointerTime()
                              ? *area_->PointerTime()
                              : view_.Start() + view_.Span() / 2;
  view_.ZoomAround(at, factor);
  ViewChanged();
}

void ReviewWindow::Pan(double fraction) {
  view_.Pan(fraction);
  ViewChanged();
}

void ReviewWindow::PlaceCursor(bool b, std::optional<std::int64_t> time) {
  if (!Loaded()) return;
  if (!time) {
    time = area_->PointerTime() ? *area_->PointerTime() : view_.Start() + view_.Span() / 2;
  }
  (b ? cursor_b_ : cursor_a_) = time;
  active_b_ = b;
  ViewChanged();
}

void ReviewWindow::MoveCursor(int pixels) {
  std::optional<std::int64_t>& cursor = active_b_ ? cursor_b_ : cursor_a_;
  if (!cursor) {
    PlaceCursor(active_b_);
    return;
  }
  *cursor += pixels * std::max<std::int64_t>(1, view_.Span() / area_->PlotWidth());
  ViewChanged();
}

void ReviewWindow::ClearCursors() {
  cursor_a_.reset();
  cursor_b_.reset();
  ViewChanged();
}

void ReviewWindow::JumpToAlarm(bool next) {
  if (!Loaded()) return;
  const std::vector<std::int64_t> starts = source_->model().AlarmStarts();
  const std::int64_t centre = view_.Start() + view_.Span() / 2;
  // A pixel's worth either side of the centre counts as the alarm shown now.
  const std::int64_t pixel = std::max<std::int64_t>(1, view_.Span() / area_->PlotWidth());
  std::optional<std::int64_t> target;
  if (next) {
    const auto it = std::upper_bound(starts.begin(), starts.end(), centre + pixel);
    if (it != starts.end()) target = *it;
  } else {
    const auto it = std::lower_bound(starts.begin(), starts.end(), centre - pixel);
    if (it != starts.begin()) target = *std::prev(it);
  }
  if (!target) {
    statusBar()->showMessage(next ? QStringLiteral("No alarm after this one.")
                                  : QStringLiteral("No alarm before this one."),
                             4000);
    return;
  }
  view_.CentreOn(*target);
  ViewChanged();
  statusBar()->showMessage(QStringLiteral("Alarm at %1").arg(chart::FullTime(Axis(), *target)),
                           4000);
}

void ReviewWindow::CopyReadings() {
  if (!Loaded()) return;
  const Readout r = ComputeReadout(source_->model(), ShownSeries(), cursor_a_, cursor_b_,
                                   view_.Start(), view_.End());
  QApplication::clipboard()->setText(ReadoutText(r, source_->model(), Axis()));
  statusBar()->showMessage(QStringLiteral("Readings copied."), 3000);
}

void ReviewWindow::ExportView() {
  if (!Loaded()) return;
  QString file =
      dialogs_->SaveFileName(this, QStringLiteral("Export View"),
                             QFileInfo(path_).completeBaseName() + QStringLiteral(".png"),
                             QStringLiteral("PNG pictures (*.png)"));
  if (file.isEmpty()) return;
  if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".png");
  const QByteArray bytes = boxes::PngWithMargin(area_->grab());
  QString error;
  if (!boxes::WriteWhole(file, bytes, error)) {
    boxes_.Show(this, QStringLiteral("export_failed"), QStringLiteral("Export View"),
                QStringLiteral("Cannot write %1: %2").arg(file, error), boxes::MsgIcon::Warning,
                boxes::MsgButtons::Ok);
    return;
  }
  statusBar()->showMessage(QStringLiteral("View exported to %1").arg(file), 8000);
}

void ReviewWindow::ExportSpan() {
  if (!Loaded() || !cursor_a_ || !cursor_b_) return;
  QString file =
      dialogs_->SaveFileName(this, QStringLiteral("Export A-B"),
                             QFileInfo(path_).completeBaseName() + QStringLiteral("-span.csv"),
                             QStringLiteral("CSV files (*.csv);;All files (*)"));
  if (file.isEmpty()) return;
  if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".csv");
  const std::string csv = SpanCsv(source_->model(), *cursor_a_, *cursor_b_);
  QString error;
  if (!boxes::WriteWhole(file, QByteArray::fromStdString(csv), error)) {
    boxes_.Show(this, QStringLiteral("export_failed"), QStringLiteral("Export A-B"),
                QStringLiteral("Cannot write %1: %2").arg(file, error), boxes::MsgIcon::Warning,
                boxes::MsgButtons::Ok);
    return;
  }
  statusBar()->showMessage(QStringLiteral("Rows from A to B exported to %1").arg(file), 8000);
}

void ReviewWindow::OpenAnother() {
  const QString file = dialogs_->OpenFileName(this, QStringLiteral("Open Recording"));
  if (file.isEmpty()) return;
  OpenReviewWindow(file, boxes_, parentWidget());
}

void ReviewWindow::closeEvent(QCloseEvent* event) {
  cancel_.store(true);
  poll_timer_->stop();
  follow_timer_->stop();
  QMainWindow::closeEvent(event);
}

ReviewWindow* OpenReviewWindow(const QString& path, boxes::MessageBoxes& boxes, QWidget* parent) {
  auto* window = new ReviewWindow(path, boxes, nullptr, parent);
  // A window of its own, even when opened from another.
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  return window;
}

}  // namespace review
