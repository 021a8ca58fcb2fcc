#include "review/review_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

#include "boxes/message_boxes.h"
#include "review/alarm_episodes.h"
#include "review/chart_area.h"
#include "review/file_dialogs.h"
#include "review/readout_table.h"
#include "review/recording_loader.h"
#include "review/recording_model.h"

namespace review {

namespace {

constexpr QSize kDefaultSize(1100, 700);

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
      loader_(std::make_unique<RecordingLoader>(path)),
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
  // Within the screen, frame and all (a 1366x768 laptop's included).
  QSize size = kDefaultSize;
  if (const QScreen* s = screen()) {
    const QSize room = s->availableGeometry().size() - QSize(16, 40);
    size = size.boundedTo(room);
  }
  resize(size);
  BuildMenus();

  connect(loader_.get(), &RecordingLoader::progress, progress_, &QProgressBar::setValue);
  connect(loader_.get(), &RecordingLoader::failed, this, &ReviewWindow::Fail);
  connect(loader_.get(), &RecordingLoader::loaded, this, &ReviewWindow::LoadFinished);
  connect(loader_.get(), &RecordingLoader::grew, this, &ReviewWindow::Grew);
  connect(loader_.get(), &RecordingLoader::followStopped, this, [this](const QString& reason) {
    if (reason.isEmpty()) {
      ShowStatus();
      return;
    }
    // What was read stays on screen; the rest of the file is not shown.
    boxes_.Show(this, QStringLiteral("recording_unreadable"), QStringLiteral("Open Recording"),
                QStringLiteral("Cannot read the rest of %1.\n\n%2")
                    .arg(QFileInfo(path_).fileName(), reason),
                boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
  });
  loader_->Start();
}

ReviewWindow::~ReviewWindow() = default;

bool ReviewWindow::Loaded() const {
  return loader_->Loaded();
}

const RecordingModel& ReviewWindow::model() const {
  return loader_->model();
}

const Compared* ReviewWindow::Comparison() const {
  return compared_ ? &*compared_ : nullptr;
}

void ReviewWindow::SetFollowInterval(int milliseconds) {
  follow_ms_ = milliseconds;
  loader_->SetFollowInterval(milliseconds);
  if (compared_loader_) compared_loader_->SetFollowInterval(milliseconds);
}

void ReviewWindow::LoadFinished() {
  progress_->hide();
  const chart::SeriesStore& store = model().store();
  if (!store.Empty()) view_.SetData(store.TimeAt(0), store.TimeAt(store.Size() - 1));
  BuildContent();
  for (QMenu* menu : menuBar()->findChildren<QMenu*>()) menu->setEnabled(true);
  ViewChanged();
  emit loaded();
  if (compared_loader_ && compared_loader_->Loaded()) CompareLoaded();
}

void ReviewWindow::Fail(const QString& reason) {
  failed_ = true;
  loader_->Stop();
  boxes_.Show(this, QStringLiteral("recording_unreadable"), QStringLiteral("Open Recording"),
              QStringLiteral("Cannot show %1 as a recording.\n\n%2")
                  .arg(QFileInfo(path_).fileName(), reason),
              boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
  emit failed();
  close();
}

void ReviewWindow::BuildContent() {
  const RecordingModel& model = loader_->model();
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
  connect(area_, &ChartArea::nudgeBy, this, &ReviewWindow::NudgeBy);

  // The legend: one check box per channel, in its trace's colour, that shows or hides it; under
  // them, the compared recording.
  auto* legend = new QWidget(content);
  legend->setObjectName(QStringLiteral("legend"));
  auto* legend_layout = new QVBoxLayout(legend);
  legend_layout->addWidget(new QLabel(QStringLiteral("Channels"), legend));
  legend_.clear();
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
  compared_label_ = new QLabel(legend);
  compared_label_->setObjectName(QStringLiteral("compared_legend"));
  compared_label_->setWordWrap(true);
  compared_label_->setMaximumWidth(200);
  compared_label_->hide();
  legend_layout->addWidget(compared_label_);
  legend_layout->addStretch(1);

  readout_ = new ReadoutTable(content);
  auto* top = new QWidget(content);
  auto* top_layout = new QHBoxLayout(top);
  top_layout->setContentsMargins(0, 0, 0, 0);
  top_layout->addWidget(area_, 1);
  top_layout->addWidget(legend);
  // The user shares the window between the charts and the table by dragging the handle.
  split_ = new QSplitter(Qt::Vertical, content);
  split_->setObjectName(QStringLiteral("review_splitter"));
  split_->setChildrenCollapsible(false);
  split_->setHandleWidth(6);
  split_->addWidget(top);
  split_->addWidget(readout_);
  split_->setStretchFactor(0, 3);
  split_->setStretchFactor(1, 2);
  auto* layout = new QVBoxLayout(content);
  layout->addWidget(split_);
  setCentralWidget(content);

  // The arrow keys pan, move cursors and nudge the compared run while the charts have the focus;
  // elsewhere (the table, the legend) they keep their own meaning.
  for (QAction* action : findChildren<QAction*>()) {
    static const QStringList kChartKeys = {
        QStringLiteral("action_pan_back"),    QStringLiteral("action_pan_on"),
        QStringLiteral("action_cursor_back"), QStringLiteral("action_cursor_on"),
        QStringLiteral("action_nudge_back"),  QStringLiteral("action_nudge_on")};
    if (kChartKeys.contains(action->objectName())) {
      action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      area_->addAction(action);
    }
  }
  setTabOrder(area_, legend_.empty() ? static_cast<QWidget*>(readout_) : legend_.front());
  area_->SetShown(std::vector<bool>(model.series().size(), true));
  if (compared_) ComparisonChanged();
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
  axis.utc_offset_seconds = Loaded() ? model().UtcOffsetSeconds() : 0;
  if (Loaded()) axis.clock = &model().Clock();
  const chart::SeriesStore& store = model().store();
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
  readout_->Show(ComputeReadout(model(), shown, cursor_a_, cursor_b_, view_.Start(), view_.End(),
                                Comparison()),
                 model(), Comparison(), Axis());
}

void ReviewWindow::ShowStatus() {
  const chart::SeriesStore& store = model().store();
  const QString following = view_.Following() == TimeView::Follow::None || loader_->FileChanged()
                                ? QString()
                                : QStringLiteral(", following the end");
  view_label_->setText(
      QStringLiteral("View: %1 from %2; %3 %4%5")
          .arg(chart::SpanText(view_.Span()), chart::FullTime(Axis(), view_.Start()))
          .arg(store.Size())
          .arg(store.Size() == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
          .arg(following));
  QString file;
  if (loader_->FileReplaced()) {
    file = QStringLiteral(
        "The file was replaced on disk: what was read stays; open it again to see the new one.");
  } else if (loader_->FileChanged()) {
    file = QStringLiteral("The file got shorter: it was replaced or cut; open it again to see it.");
  } else if (loader_->TornLine() != 0) {
    file = QStringLiteral("Line %1 is incomplete (still being written, or cut short): skipped.")
               .arg(loader_->TornLine());
  }
  file_label_->setText(file);
}

void ReviewWindow::Grew(bool new_channels) {
  if (!Loaded()) return;
  // A Channel Mode change brought channels the legend has not got: build it again.
  if (new_channels) BuildContent();
  const chart::SeriesStore& store = model().store();
  if (!store.Empty()) view_.SetData(store.TimeAt(0), store.TimeAt(store.Size() - 1));
  if (compared_) {
    ComparisonChanged();  // the shift at the starts and the channels shared stay right
  } else {
    area_->DataChanged();
  }
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
  const chart::SeriesStore& store = model().store();
  if (store.Empty()) return;
  const std::vector<AlarmEpisode> episodes = AlarmEpisodes(model());
  // With the whole recording in view, N starts from its first alarm and P from its last; else
  // from the centre, a pixel's worth either side counting as the alarm shown now.
  const std::int64_t first = store.TimeAt(0);
  const std::int64_t last = store.TimeAt(store.Size() - 1);
  const bool all = view_.Start() <= first && view_.End() >= last;
  const std::int64_t centre = view_.Start() + view_.Span() / 2;
  const std::int64_t pixel = std::max<std::int64_t>(1, view_.Span() / area_->PlotWidth());
  const AlarmEpisode* target = nullptr;
  int number = 0;
  for (std::size_t i = 0; i < episodes.size(); ++i) {
    const AlarmEpisode& e = episodes[next ? i : episodes.size() - 1 - i];
    const bool beyond =
        next ? (all || e.start > centre + pixel) : (all || e.start < centre - pixel);
    if (beyond) {
      target = &e;
      number = static_cast<int>(next ? i : episodes.size() - 1 - i) + 1;
      break;
    }
  }
  if (target == nullptr) {
    statusBar()->showMessage(next ? QStringLiteral("No alarm after this one.")
                                  : QStringLiteral("No alarm before this one."),
                             4000);
    return;
  }
  if (all) view_.ZoomAround(centre, 0.1);  // an episode is seen closer than a whole recording
  view_.CentreOn(target->start);
  // Near the end the data stay in view rather than half the plot standing empty.
  if (view_.End() > last && view_.Span() < last - first) view_.PanBy(last - view_.End());
  ViewChanged();
  statusBar()->showMessage(
      QStringLiteral("Alarm %1 of %2: %3 at %4")
          .arg(number)
          .arg(episodes.size())
          .arg(target->names.join(QStringLiteral(", ")), chart::FullTime(Axis(), target->start)),
      8000);
}

void ReviewWindow::closeEvent(QCloseEvent* event) {
  loader_->Stop();
  if (compared_loader_) compared_loader_->Stop();
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
