#include "display/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <utility>

#include "about/about_box.h"
#include "about/help.h"
#include "about/program_identity.h"
#include "access/link_new_com_port.h"
#include "boxes/handler_edge.h"
#include "channels/channel_mode_tab.h"
#include "chart/strip_chart.h"
#include "chip/monitoring.h"
#include "chip/register_catalogue.h"
#include "display/main_tab.h"
#include "display/opening_size.h"
#include "display/visual_display_tab.h"
#include "editor/read_write_tab.h"
#include "menus/menu_features.h"
#include "menus/status_report.h"
#include "userfiles/recorder.h"
#include "widgets/page_scroll_area.h"
#include "widgets/repaint_pacer.h"

namespace display {

namespace {

// The whole window repaints at most this often, however fast its timers change what it shows.
constexpr int kMaxRepaintsPerSecond = 30;

enum Tab { kMainTab = 0, kReadWriteTab = 1, kVisualDisplayTab = 2, kChannelModeTab = 3 };

// Configuration 1 with START and the interrupt enable set: what EasySetup leaves behind, so a chip
// that reads this needs no reminder.
constexpr int kStartedConfiguration = 0x03;

QString StartNoticeText() {
  const QString chip = QLatin1String(about::kChipName);
  // Carriage returns only, as the notice has always been written; an empty line is a doubled one.
  return QStringLiteral(
             "Don't forget that the start bit in Configuration Register 1 must be set high\r"
             "to start the ") +
         chip +
         QStringLiteral(
             " measuring voltages, temperatures or fan speeds.\r\r"
             "Pressing EasySetup in the visual display window will automatically do this\r"
             "and will also initialise all limits etc.\r\r"
             "If you select yes now, EasySetup will be selected for you, otherwise if you \r"
             "select no, you may select the EasySetup on the visual display tab at any time.\r\r"
             "Would you like to Automatically select EasySetup now?");
}

}  // namespace

MainForm::MainForm(devaccess::Declarations& d, boxes::MessageBoxes& boxes, QWidget* parent)
    : QMainWindow(parent), d_(d), boxes_(boxes), help_(new about::Help(d, this)) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(about::ProgramTitle());

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("Main_Form_Tab"));
  main_tab_ = new MainTab(tabs_);
  read_write_tab_ = new editor::ReadWriteTab(d_, boxes_, tabs_);
  visual_tab_ = new VisualDisplayTab(d_, boxes_, tabs_);
  channel_mode_tab_ = new channels::ChannelModeTab(d_, boxes_, tabs_);
  // Each page scrolls rather than hold the window larger than a laptop screen.
  tabs_->addTab(new widgets::PageScrollArea(main_tab_), QStringLiteral("Main"));
  tabs_->addTab(new widgets::PageScrollArea(read_write_tab_), QStringLiteral("Read/Write"));
  tabs_->addTab(new widgets::PageScrollArea(visual_tab_), QStringLiteral("Visual Display"));
  tabs_->addTab(new widgets::PageScrollArea(channel_mode_tab_),
                QStringLiteral("Channel Mode/VID "));
  tabs_->setCurrentIndex(kMainTab);
  // The tabs, and below them the status bar of the menu's features (placed once they exist).
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("central"));
  central_column_ = new QVBoxLayout(central);
  central_column_->setContentsMargins(0, 0, 0, 0);
  central_column_->setSpacing(0);
  central_column_->addWidget(tabs_, 1);
  setCentralWidget(central);
  new widgets::RepaintPacer(this, kMaxRepaintsPerSecond);
  // The chart brings its plot up to date each time its repaint timer fires: no more often than
  // the window paints.
  visual_tab_->chart().SetRepaintInterval(1000 / kMaxRepaintsPerSecond);

  // A move over a widget that does not track the mouse reaches only application-wide filters, and
  // the bare tab control is mostly such widgets (tab row, page backgrounds, the Main tab's texts).
  qApp->installEventFilter(this);

  connect(tabs_, &QTabWidget::currentChanged, this,
          boxes::AtEdge(std::bind_front(&MainForm::Main_Form_Tab_Click, this)));
  // Ctrl+PageDown and Ctrl+PageUp step through the tabs, as in other tabbed windows.
  for (const auto& [key, step] : {std::pair{Qt::Key_PageDown, 1}, std::pair{Qt::Key_PageUp, -1}}) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | key), this);
    connect(
        shortcut, &QShortcut::activated, this, boxes::AtEdge([this, step = step] {
          tabs_->setCurrentIndex((tabs_->currentIndex() + step + tabs_->count()) % tabs_->count());
        }));
  }
  connect(main_tab_->about_button(), &QPushButton::clicked, this,
          boxes::AtEdge(std::bind_front(&MainForm::Command3_Click, this)));

  const about::AppVersion v = about::ProgramVersion();
  menus::WindowHooks hooks{
      [this] { help_->ShowContents(); }, [this] { Command3_Click(); },
      [this]() -> chart::StripChart& { return visual_tab_->chart(); },
      [this] { return visual_tab_->Ticking(); },
      [this]() -> const chip::ReadingHistory& { return visual_tab_->chart_readings(); }};
  menu_features_ = new menus::MenuFeatures(
      *this, d_, boxes_,
      std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision),
      std::move(hooks));

  central_column_->addWidget(menu_features_->status().Bar());
  connect(menu_features_, &menus::MenuFeatures::chipChanged, this, &MainForm::ShowChipNow);
  // Whatever reads or writes Configuration 1 tells the status bar whether the chip monitors.
  d_.configuration1_seen = [this](std::uint8_t value) {
    menu_features_->status().SetNotMonitoring(!chip::Monitoring(value));
  };

  Form_Load();
  OpenAtContentSize(*this);
}

menus::MenuFeatures& MainForm::menu_features() const {
  return *menu_features_;
}

MainForm::~MainForm() {
  d_.configuration1_seen = nullptr;  // the shared state outlives this window
  Form_Unload();
}

void MainForm::Form_Load() {
  main_tab_->SetVersionCaption(about::VersionCaption(about::ProgramVersion()));
  help_->init_help(this);
  d_.fan1_divisor = 1;
  d_.fan2_divisor = 1;
}

void MainForm::Form_Unload() {
  // The windows this one opened go with it: an About box or help window left open would keep the
  // program running with its main window gone.
  if (about::frmAbout* open = about_box_.data(); open != nullptr) open->close();
  help_->close_help();
}

bool MainForm::MayClose() {
  userfiles::Recorder& recorder = menu_features_->recorder();
  if (!recorder.running()) return true;
  const boxes::MsgAnswer answer = boxes_.Show(
      this, QStringLiteral("quit_while_recording"), about::ProgramTitle(),
      QStringLiteral("A recording is running: %1 so far in %2.\n\nQuit now? The recording "
                     "stops and the file is kept, complete up to its last row.")
          .arg(boxes::CountOf(recorder.rows(), "row", "rows"), recorder.path()),
      boxes::MsgIcon::Warning, boxes::MsgButtons::YesNo);
  if (answer != boxes::MsgAnswer::Yes) return false;
  recorder.Stop();
  return true;
}

void MainForm::closeEvent(QCloseEvent* event) {
  if (!MayClose()) {
    event->ignore();
    return;
  }
  Form_Unload();
  QMainWindow::closeEvent(event);
}

void MainForm::ShowChipNow() {
  switch (tabs_->currentIndex()) {
    case kReadWriteTab:
      read_write_tab_->ShowChipNow();
      break;
    case kVisualDisplayTab:
      visual_tab_->ShowChipNow();
      break;
    case kChannelModeTab:
      channel_mode_tab_->ShowChipNow();
      break;
    default:  // the Main tab shows nothing of the chip
      break;
  }
}

void MainForm::Main_Form_Tab_Click(int tab) {
  menu_features_->status().GiveBackRoom();
  switch (tab) {
    case kMainTab:
      visual_tab_->StopTimer();
      read_write_tab_->StopTimer();
      channel_mode_tab_->StopTimer();
      break;
    case kReadWriteTab:
      d_.hover_label_index = 1;
      visual_tab_->StopTimer();
      read_write_tab_->StopTimer();
      channel_mode_tab_->StopTimer();
      read_write_tab_->Enter();
      break;
    case kVisualDisplayTab: {
      read_write_tab_->StopTimer();
      channel_mode_tab_->StopTimer();
      visual_tab_->Enter();
      const int configuration = devaccess::ReadAt(d_, chip::reg::kConfiguration1);
      if (d_.notice_shown == 0 && configuration != kStartedConfiguration) ShowStartNotice();
      break;
    }
    case kChannelModeTab:
      visual_tab_->StopTimer();
      read_write_tab_->StopTimer();
      channel_mode_tab_->Enter();
      break;
    default:
      break;
  }
}

void MainForm::ShowStartNotice() {
  const boxes::MsgAnswer answer = boxes_.Show(
      this, QStringLiteral("start_notice"), about::ProgramTitle() + QStringLiteral(" Notice"),
      StartNoticeText(), boxes::MsgIcon::None, boxes::MsgButtons::YesNo);
  d_.notice_shown = 1;
  if (answer == boxes::MsgAnswer::Yes) visual_tab_->EasySetup();
}

void MainForm::Main_Form_Tab_MouseMove() {
  if (cursor().shape() != Qt::ArrowCursor) unsetCursor();
}

bool MainForm::IsBareTabControl(const QWidget* w, const QPointF& pos) const {
  // Everything on "Main" is static: its texts and its picture.
  if (w == main_tab_ || main_tab_->isAncestorOf(w)) return true;
  const QWidget* stack = tabs_->widget(kMainTab)->parentWidget();
  const auto* scroller = qobject_cast<const widgets::PageScrollArea*>(w->parentWidget());
  const bool page_viewport = scroller != nullptr && w == scroller->viewport();
  const bool part_of_control = w == tabs_ || w == tabs_->tabBar() || w == stack || page_viewport ||
                               w == read_write_tab_ || w == visual_tab_ || w == channel_mode_tab_;
  // A move passed up from a child belongs to the child's own pointer rule.
  return part_of_control && w->childAt(pos.toPoint()) == nullptr;
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove && watched->isWidgetType()) {
    const auto* w = static_cast<const QWidget*>(watched);
    if (w->window() == this &&
        IsBareTabControl(w, static_cast<const QMouseEvent*>(event)->position())) {
      Main_Form_Tab_MouseMove();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainForm::Command3_Click() {
  // A box closed a moment ago may still wait for its deletion; only an open one is reused.
  if (about::frmAbout* open = about_box_.data(); open != nullptr && open->isVisible()) {
    open->raise();
    open->activateWindow();
    return;
  }
  auto* box =
      new about::frmAbout(about::ProgramVersion(), this,
                          d_.several_adapters ? QString::fromStdString(d_.adapter) : QString());
  about_box_ = box;
  box->show();
}

}  // namespace display
