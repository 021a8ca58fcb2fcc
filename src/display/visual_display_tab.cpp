#include "display/visual_display_tab.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <array>

#include "access/link_new_com_port.h"
#include "boxes/handler_edge.h"
#include "channels/aout_slider.h"
#include "chart/strip_chart.h"
#include "chip/register_catalogue.h"
#include "display/channel_labels.h"
#include "display/display_cycle.h"
#include "display/easy_setup.h"
#include "display/indicators.h"
#include "display/limits_gauge.h"
#include "widgets/arrow_key_group.h"
#include "widgets/clickable_label.h"
#include "widgets/labels.h"
#include "widgets/linear_gauge.h"
#include "widgets/status_lamp.h"

namespace display {

namespace {

// Captions of the visualdisplaytext labels by index; there is no label 13.
constexpr const char* kCaptions[VisualDisplayView::kLabelCount] = {
    "Temperature", "Voltage", "Fan Revs.", "Fan 1", "Fan 2", "External 1", "Internal",  "+Vccp2",
    "+Vccp1",      "+2.5V",   "+Vcc",      "+5V",   "+12V",  nullptr,      "External 2"};

// The channel rows top to bottom, each with its interrupt lamp.
struct Row {
  int label;
  int lamp;
};
constexpr Row kRows[] = {{8, 0}, {7, 1}, {10, 2}, {12, 3}, {11, 4}, {9, 5},
                         {3, 6}, {4, 7}, {6, 9},  {5, 8},  {14, 11}};

QString Indexed(const char* name, int index) {
  return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

// The panels of labels are dark like the chart beside them, so that the label colours (grey,
// bright green, yellow) read well; the one colour that does not (dark green) gets a light
// backdrop from the label itself.
void MakeDark(QWidget* panel) {
  QPalette p = panel->palette();
  p.setColor(QPalette::Window, QColor(0, 0, 0));
  p.setColor(QPalette::WindowText, QColor(0xE8, 0xE8, 0xE8));
  panel->setPalette(p);
  panel->setAutoFillBackground(true);
}

}  // namespace

VisualDisplayTab::VisualDisplayTab(devaccess::Declarations& d, boxes::MessageBoxes& boxes,
                                   QWidget* parent)
    : QWidget(parent),
      d_(d),
      boxes_(boxes),
      chart_readings_(chart::StripChart::kDefaultHistory),
      context_{d, view_, boxes} {
  view_.box_parent = this;
  view_.chart_readings = &chart_readings_;
  view_.visual_timer = new QTimer(this);
  view_.visual_timer->setObjectName(QStringLiteral("visual_timer"));
  connect(view_.visual_timer, &QTimer::timeout, this,
          boxes::AtEdge([this] { visual_timer_Timer(); }));

  for (int i = 0; i < VisualDisplayView::kLabelCount; ++i) {
    if (kCaptions[i] == nullptr) continue;
    auto* label = new widgets::ClickableLabel(QString::fromLatin1(kCaptions[i]), this);
    label->setObjectName(Indexed("visualdisplaytext", i));
    label->SetReadableStates({kLabelChosen, kLabelChosenHover});
    SetLabelColour(label, NormalLabelColour());
    connect(label, &widgets::ClickableLabel::clicked, this,
            boxes::AtEdge([this, i] { visualdisplaytext_Click(context_, i); }));
    connect(label, &widgets::ClickableLabel::mouseMoved, this,
            [this, i] { visualdisplaytext_MouseMove(context_, i); });
    view_.visualdisplaytext[static_cast<std::size_t>(i)] = label;
  }
  for (int i = 0; i < static_cast<int>(view_.SSPanel11.size()); ++i) {
    auto* lamp = new widgets::StatusLamp(this);
    lamp->setObjectName(Indexed("SSPanel11", i));
    lamp->setToolTip(QStringLiteral("Interrupt Status"));
    lamp->setCursor(Qt::ArrowCursor);
    view_.SSPanel11[static_cast<std::size_t>(i)] = lamp;
  }
  // Screen readers tell the lamps apart by the channel beside each.
  for (const Row& r : kRows) {
    view_.SSPanel11[static_cast<std::size_t>(r.lamp)]->setAccessibleName(
        QString::fromLatin1(kCaptions[r.label]) + QStringLiteral(" interrupt"));
  }
  view_.SSPanel11[10]->setAccessibleName(QStringLiteral("Chassis intrusion"));

  view_.Strip2 = new chart::StripChart(this);
  view_.Strip2->setObjectName(QStringLiteral("Strip2"));

  view_.limits_gauge = new widgets::LinearGauge(this);
  view_.limits_gauge->setObjectName(QStringLiteral("limits_gauge"));
  view_.limits_gauge->setToolTip(QStringLiteral("Drag the pointers to change the limits"));
  view_.limits_gauge->setCursor(Qt::PointingHandCursor);
  view_.limits_gauge->SetKeyStepper([this](int slot, double value, int steps) {
    return limits_gauge_KeyStep(context_, key_steps_, slot, value, steps);
  });
  connect(view_.limits_gauge, &widgets::LinearGauge::pointerMoved, this,
          [this] { limits_gauge_PointerMoved(context_); });
  connect(view_.limits_gauge, &widgets::LinearGauge::valueChanged, this,
          boxes::AtEdge([this] { limits_gauge_ValueChanged(context_); }));

  view_.aout_slider = new channels::AoutSlider(d_, this);

  auto* easy_setup = new QPushButton(QStringLiteral("EasySetup"), this);
  easy_setup->setObjectName(QStringLiteral("Command1"));
  connect(easy_setup, &QPushButton::clicked, this, boxes::AtEdge([this] { EasySetup(); }));

  auto* left = new QVBoxLayout;
  left->addWidget(BuildGraphPanel());
  left->addWidget(BuildBargraphPanel());
  left->addWidget(BuildIntrusionPanel());
  // The chip's I2C adapter, shown only when the search covered several (Enter fills it in).
  adapter_label_ = widgets::MakePlainLabel(QStringLiteral("vd_adapter_label"), QString(), this);
  adapter_label_->setWordWrap(true);
  adapter_label_->hide();
  left->addWidget(adapter_label_);
  left->addStretch(1);

  auto* centre = new QVBoxLayout;
  centre->addWidget(view_.Strip2, 1);
  centre->addWidget(view_.limits_gauge);

  auto* right = new QVBoxLayout;
  right->addWidget(view_.aout_slider, 1, Qt::AlignHCenter);
  right->addWidget(easy_setup);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(centre, 1);
  layout->addLayout(right);

  // Tab follows the screen: the group headings, the channels top to bottom (each group one Tab
  // stop, arrows inside it), Intrusion, the gauge, the slider, EasySetup.
  std::vector<QWidget*> headings;
  for (int i = 0; i <= 2; ++i)
    headings.push_back(view_.visualdisplaytext[static_cast<std::size_t>(i)]);
  std::vector<QWidget*> channels;
  for (const Row& r : kRows)
    channels.push_back(view_.visualdisplaytext[static_cast<std::size_t>(r.label)]);
  QWidget* previous = nullptr;
  for (auto* group :
       {new widgets::ArrowKeyGroup(headings, this), new widgets::ArrowKeyGroup(channels, this)}) {
    if (previous != nullptr) setTabOrder(previous, group->Members().front());
    previous = group->Members().back();
  }
  for (QWidget* next :
       {static_cast<QWidget*>(findChild<widgets::ClickableLabel*>(QStringLiteral("Intrusion"))),
        static_cast<QWidget*>(view_.limits_gauge), static_cast<QWidget*>(view_.aout_slider),
        static_cast<QWidget*>(easy_setup)}) {
    setTabOrder(previous, next);
    previous = next;
  }
}

QGroupBox* VisualDisplayTab::BuildGraphPanel() {
  graph_panel_ = new QGroupBox(QStringLiteral("Graph"), this);
  graph_panel_->setObjectName(QStringLiteral("SSPanel1"));
  graph_panel_->setMouseTracking(true);
  graph_panel_->installEventFilter(this);
  MakeDark(graph_panel_);
  auto* layout = new QVBoxLayout(graph_panel_);
  // Close rows and narrow margins: the whole tab fits a laptop screen.
  layout->setSpacing(2);
  layout->setContentsMargins(6, 4, 6, 4);
  for (int i = 0; i <= 2; ++i)
    layout->addWidget(view_.visualdisplaytext[static_cast<std::size_t>(i)]);
  return graph_panel_;
}

QGroupBox* VisualDisplayTab::BuildBargraphPanel() {
  bargraph_panel_ = new QGroupBox(QStringLiteral("Bargraph"), this);
  bargraph_panel_->setObjectName(QStringLiteral("SSPanel6"));
  bargraph_panel_->setMouseTracking(true);
  bargraph_panel_->installEventFilter(this);
  MakeDark(bargraph_panel_);
  auto* grid = new QGridLayout(bargraph_panel_);
  grid->setVerticalSpacing(2);
  grid->setContentsMargins(6, 4, 6, 4);
  int row = 0;
  for (const Row& r : kRows) {
    grid->addWidget(view_.visualdisplaytext[static_cast<std::size_t>(r.label)], row, 0);
    grid->addWidget(view_.SSPanel11[static_cast<std::size_t>(r.lamp)], row, 1);
    ++row;
  }
  return bargraph_panel_;
}

QWidget* VisualDisplayTab::BuildIntrusionPanel() {
  auto* panel = new QGroupBox(this);
  MakeDark(panel);
  auto* intrusion = new widgets::ClickableLabel(QStringLiteral("Intrusion"), panel);
  intrusion->setObjectName(QStringLiteral("Intrusion"));
  intrusion->setToolTip(QStringLiteral("Clear Chassis Intrusion"));
  connect(intrusion, &widgets::ClickableLabel::clicked, this,
          boxes::AtEdge([this] { Intrusion_Click(context_); }));
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(6, 4, 6, 4);
  layout->addWidget(intrusion);
  layout->addWidget(view_.SSPanel11[10]);
  return panel;
}

bool VisualDisplayTab::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove &&
      (watched == graph_panel_ || watched == bargraph_panel_)) {
    move_mouse_away(context_);
  }
  return QWidget::eventFilter(watched, event);
}

void VisualDisplayTab::Enter() {
  if (d_.several_adapters) {
    adapter_label_->setText(QStringLiteral("Adapter: ") + QString::fromStdString(d_.adapter));
    adapter_label_->show();
  }
  d_.hover_label_index = 1;
  view_.aout_slider->ShowRegisterValue(devaccess::ReadAt(d_, chip::reg::kAnalogOutput));
  ShowChannelMode(context_, devaccess::ReadAt(d_, chip::reg::kChannelMode));
  // The voltage group and +12V, marked chosen.
  for (int index : {1, 12}) {
    visualdisplaytext_Click(context_, index);
    SetLabelColour(view_.visualdisplaytext[static_cast<std::size_t>(index)], kLabelChosen);
  }
}

void VisualDisplayTab::ShowChipNow() {
  view_.aout_slider->ShowRegisterValue(devaccess::ReadAt(d_, chip::reg::kAnalogOutput));
  const auto modes = [this] {
    return std::array{d_.fan1_mode_flag, d_.fan2_mode_flag, d_.chmode_bit2_flag,
                      d_.chmode_bit3_flag};
  };
  const auto modes_before = modes();
  ShowChannelMode(context_, devaccess::ReadAt(d_, chip::reg::kChannelMode));
  const QLabel* chosen = VisualLabel(view_, d_.vd_channel_index);
  if (chosen == nullptr || chosen->isHidden()) {
    Enter();
    return;
  }
  // The chart starts afresh only when its traces are others now; the gauge reloads its limits.
  if (modes() != modes_before) SetUpStripChartGroup(context_, d_.vd_group_index);
  set_up_gauge(context_, d_.vd_channel_index);
}

void VisualDisplayTab::StopTimer() {
  view_.visual_timer->stop();
}

void VisualDisplayTab::EasySetup() {
  display::EasySetup(context_);
}

bool VisualDisplayTab::Ticking() const {
  return view_.visual_timer->isActive();
}

void VisualDisplayTab::visual_timer_Timer() {
  display::visual_timer_Timer(context_);
}

}  // namespace display
