#include "wizard/init_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

#include "about/help.h"
#include "boxes/handler_edge.h"
#include "display/main_form.h"
#include "widgets/labels.h"
#include "widgets/widget_accessibility.h"
#include "wizard/first_run_note.h"
#include "wizard/twips_layout.h"
#include "wizard/wizard_picture.h"

namespace wizard {

namespace {

const QString kChip = QString::fromLatin1(kChipName);

// Medium descriptions are dark green; one that reports an unsupported medium turns dark red.
const QColor kDescriptionColour(0, 128, 0);
const QColor kUnsupportedColour(192, 0, 0);

// Operating-system builds on which the SMBus is offered: 95, 95 OSR2, 98, 98 SE and ME.
constexpr std::array<long, 5> kSMBusBuilds = {950, 1111, 1998, 2222, 3000};

// The window design, in twips.
const QSize kWindowDesign(6135, 3495);
const QSize kPanelDesign(4575, 2828);

// The base address box takes at most three hexadecimal digits typed, but shows whatever address
// the component reports in full (a length limit on the box itself would cut "5000" to "500").
// A base of four digits is therefore reached only as the one the component reported.
class AtMostThreeHexDigits : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    if (input.size() > 3) return Invalid;
    for (const QChar c : input) {
      if (!c.isDigit() && (c.toUpper() < QLatin1Char('A') || c.toUpper() > QLatin1Char('F'))) {
        return Invalid;
      }
    }
    return Acceptable;
  }
};

// Reads the build number the component reports; anything else is a start-up failure.
long ReadBuild(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  const auto last = text.find_last_not_of(" \t");
  if (first == std::string::npos) throw std::invalid_argument("empty operating-system build");
  const std::string digits = text.substr(first, last - first + 1);
  if (digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    throw std::invalid_argument("operating-system build is not a number: " + text);
  }
  return std::stol(digits);
}

void SetTextColour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text = QString()) {
  QLabel* label = widgets::MakePlainLabel(QString::fromLatin1(name), text, parent);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QFrame* MakePanel(const char* name) {
  auto* panel = new QFrame;
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameShape(QFrame::NoFrame);
  return panel;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(true);  // Enter presses the button that has the focus
  return button;
}

// Runs one step of a sequence whose failing steps are skipped.
template <typename Step>
void Skippable(Step step) {
  try {
    step();
  } catch (const std::exception&) {
    // skipped: the next step runs
  }
}

// The hourglass for as long as the search runs, whatever way it ends.
class BusyPointer {
 public:
  BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyPointer() { Restore(); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
  void Restore() {
    if (active_) QApplication::restoreOverrideCursor();
    active_ = false;
  }

 private:
  bool active_ = true;
};

}  // namespace

InitForm::InitForm(devaccess::Declarations& d, boxes::MessageBoxes& boxes, QWidget* parent)
    : QWidget(parent, Qt::Window), d_(d), boxes_(boxes) {
  widgets::InstallWidgetAccessibility();  // a window of its own reads as a frame
  setObjectName(QStringLiteral("InitForm"));
  setWindowTitle(kChip + QStringLiteral(" Search Wizard"));
  BuildWindow();
  Form_Load();
  add_first_run_note();
}

InitForm::~InitForm() {
  // The program is ending: the main window goes with the wizard that loaded it.
  delete main_form_;
}

void InitForm::BuildWindow() {
  // The drawn window, and below it the reasons why a search found nothing, shown only then.
  auto* design = new QWidget(this);
  design->setObjectName(QStringLiteral("InitFormDesign"));
  auto* window_layout = new TwipsLayout(kWindowDesign, design);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addWidget(design, 1);
  SearchReasonsLBL = new QLabel(this);
  SearchReasonsLBL->setObjectName(QStringLiteral("SearchReasonsLBL"));
  SearchReasonsLBL->setWordWrap(true);
  SearchReasonsLBL->setTextFormat(Qt::PlainText);
  SearchReasonsLBL->setTextInteractionFlags(Qt::TextSelectableByMouse);
  SearchReasonsLBL->setFrameShape(QFrame::StyledPanel);
  SearchReasonsLBL->setMargin(6);
  SearchReasonsLBL->hide();
  outer->addWidget(SearchReasonsLBL);

  auto* picture = new WizardPicture(this);
  picture->setObjectName(QStringLiteral("Image1"));
  picture->setAccessibleName(kChip + QStringLiteral(" chip"));
  window_layout->AddWidget(picture, QRect(240, 120, 855, 2565));

  panels_ = new QStackedWidget(this);
  window_layout->AddWidget(panels_, QRect(1320, 0, 4575, 2828));

  // Panel 1: welcome.
  QFrame* welcome = MakePanel("WelcomePanel");
  auto* welcome_layout = new TwipsLayout(kPanelDesign, welcome);
  WelcomeLBL = MakeLabel(welcome, "WelcomeLBL");
  welcome_layout->AddWidget(WelcomeLBL, QRect(360, 360, 3135, 855));
  WelcomeInstructionsLBL = MakeLabel(welcome, "WelcomeInstructionsLBL");
  welcome_layout->AddWidget(WelcomeInstructionsLBL, QRect(360, 1920, 3135, 735));

  // Panel 2: the media.
  QFrame* medium = MakePanel("SeclectComsMediumPanel");
  auto* medium_layout = new TwipsLayout(kPanelDesign, medium);
  PPCheck = new QCheckBox(QStringLiteral("Parallel Printer Port"), medium);
  PPCheck->setObjectName(QStringLiteral("PPCheck"));
  PPCheck->setChecked(true);
  medium_layout->AddWidget(PPCheck, QRect(120, 240, 1695, 495));
  PPSearchDescLBL = MakeLabel(medium, "PPSearchDescLBL");
  medium_layout->AddWidget(PPSearchDescLBL, QRect(1800, 360, 2775, 735));
  SMBusCheck = new QCheckBox(QStringLiteral("On-Board SMBus"), medium);
  SMBusCheck->setObjectName(QStringLiteral("SMBusCheck"));
  medium_layout->AddWidget(SMBusCheck, QRect(120, 960, 1575, 495));
  SMBusSearchDescLBL = MakeLabel(medium, "SMBusSearchDescLBL");
  // The base address box sits in the label's lower right corner: the text ends above it.
  medium_layout->AddWidget(SMBusSearchDescLBL, QRect(1800, 1080, 2775, 855), 1680 - 1080);
  SMBusBaseAddressTXT = new QLineEdit(QStringLiteral("000"), medium);
  SMBusBaseAddressTXT->setObjectName(QStringLiteral("SMBusBaseAddressTXT"));
  SMBusBaseAddressTXT->setValidator(new AtMostThreeHexDigits(SMBusBaseAddressTXT));
  SMBusBaseAddressTXT->setAlignment(Qt::AlignRight);
  // Room for a four-digit I/O address: the window grows to fit it rather than cut it.
  const int frame = SMBusBaseAddressTXT->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  SMBusBaseAddressTXT->setMinimumWidth(
      SMBusBaseAddressTXT->fontMetrics().horizontalAdvance(QStringLiteral("FFFF")) + 2 * frame + 6);
  SMBusSearchDescLBL->setBuddy(SMBusBaseAddressTXT);
  medium_layout->AddWidget(SMBusBaseAddressTXT, QRect(4080, 1680, 375, 285));
  USBCheck = new QCheckBox(QStringLiteral("USB"), medium);
  USBCheck->setObjectName(QStringLiteral("USBCheck"));
  USBCheck->setEnabled(false);
  USBCheck->setVisible(false);  // nothing ever offers USB
  medium_layout->AddWidget(USBCheck, QRect(120, 1920, 735, 495));
  USBSearchDescLBL = MakeLabel(medium, "USBSearchDescLBL");
  USBSearchDescLBL->setVisible(false);
  medium_layout->AddWidget(USBSearchDescLBL, QRect(1800, 2040, 2775, 615));
  SearchMediumInstLBL = MakeLabel(medium, "SearchMediumInstLBL");
  medium_layout->AddWidget(SearchMediumInstLBL, QRect(120, 2520, 4095, 495));
  for (QLabel* description : {PPSearchDescLBL, SMBusSearchDescLBL, USBSearchDescLBL}) {
    SetTextColour(description, kDescriptionColour);
  }

  // Panel 3: searching.
  QFrame* searching = MakePanel("SearchingPanel");
  SearchingPanel = searching;
  auto* searching_layout = new TwipsLayout(kPanelDesign, searching);
  SearchingLBL = MakeLabel(searching, "SearchingLBL", QStringLiteral("Searching"));
  QFont title_font = SearchingLBL->font();
  title_font.setBold(true);
  title_font.setPointSizeF(title_font.pointSizeF() * 1.8);
  SearchingLBL->setFont(title_font);
  SearchingLBL->setAlignment(Qt::AlignCenter);
  searching_layout->AddWidget(SearchingLBL, QRect(120, 360, 4335, 735));
  SearchingDetailsLBL = MakeLabel(searching, "SearchingDetailsLBL");
  searching_layout->AddWidget(SearchingDetailsLBL, QRect(240, 1080, 4095, 855));
  SearchProgress = new QProgressBar(searching);
  SearchProgress->setObjectName(QStringLiteral("SearchProgress"));
  SearchProgress->setRange(0, 100);
  SearchProgress->setValue(0);
  SearchProgress->setTextVisible(false);
  SearchingDetailsLBL->setBuddy(SearchProgress);
  searching_layout->AddWidget(SearchProgress, QRect(120, 2040, 4335, 255));

  // Panel 4: results.
  QFrame* results = MakePanel("SearchResultsPanel");
  auto* results_layout = new TwipsLayout(kPanelDesign, results);
  SearchResultsDescLBL =
      MakeLabel(results, "SearchResultsDescLBL", QStringLiteral("Search Results"));
  QFont bold = SearchResultsDescLBL->font();
  bold.setBold(true);
  SearchResultsDescLBL->setFont(bold);
  results_layout->AddWidget(SearchResultsDescLBL, QRect(240, 240, 2535, 495), 600 - 240);
  SearchResultsLIST = new QListWidget(results);
  SearchResultsLIST->setObjectName(QStringLiteral("SearchResultsLIST"));
  SearchResultsLIST->setAccessibleName(QStringLiteral("Search Results"));
  // The tag at the end of each line stays out of sight to the right, as the blanks intend.
  SearchResultsLIST->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SearchResultsLIST->setTextElideMode(Qt::ElideNone);
  SearchResultsDescLBL->setBuddy(SearchResultsLIST);
  // A line selected without the pointer or the keys (by an accessibility tool's action, the one
  // way on a desktop that lets no tool move the pointer) becomes the current line Finish reads.
  connect(SearchResultsLIST, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> chosen = SearchResultsLIST->selectedItems();
    if (chosen.size() == 1 && SearchResultsLIST->currentItem() != chosen.front()) {
      SearchResultsLIST->setCurrentItem(chosen.front());
    }
  });
  results_layout->AddWidget(SearchResultsLIST, QRect(240, 600, 4095, 1230));
  SearchResultsLBL = MakeLabel(results, "SearchResultsLBL");
  results_layout->AddWidget(SearchResultsLBL, QRect(360, 2040, 3975, 615), 2520 - 2040);
  SearchInsLBL = MakeLabel(results, "SearchInsLBL");
  results_layout->AddWidget(SearchInsLBL, QRect(360, 2520, 3975, 375));

  for (QFrame* panel : {welcome, medium, searching, results}) panels_->addWidget(panel);

  CancelCMD = MakeButton(this, "CancelCMD", "Cancel");
  BackCMD = MakeButton(this, "BackCMD", "< Back");
  NextCMD = MakeButton(this, "NextCMD", "Next >");
  FinishCMD = MakeButton(this, "FinishCMD", "Finish");
  window_layout->AddWidget(CancelCMD, QRect(240, 3000, 1215, 375));
  window_layout->AddWidget(BackCMD, QRect(1920, 3000, 1215, 375));
  window_layout->AddWidget(NextCMD, QRect(3120, 3000, 1215, 375));
  window_layout->AddWidget(FinishCMD, QRect(4800, 3000, 1095, 375));
  BackCMD->setEnabled(false);
  FinishCMD->setEnabled(false);
  connect(CancelCMD, &QPushButton::clicked, this, boxes::AtEdge([this] { CancelCMD_Click(); }));
  connect(BackCMD, &QPushButton::clicked, this, boxes::AtEdge([this] { BackCMD_Click(); }));
  connect(NextCMD, &QPushButton::clicked, this, boxes::AtEdge([this] { NextCMD_Click(); }));
  connect(FinishCMD, &QPushButton::clicked, this, boxes::AtEdge([this] { FinishCMD_Click(); }));

  // Tab goes through the panel in view from top to bottom, then the buttons left to right.
  setTabOrder(PPCheck, SMBusCheck);
  setTabOrder(SMBusCheck, SMBusBaseAddressTXT);
  setTabOrder(SMBusBaseAddressTXT, USBCheck);
  setTabOrder(USBCheck, SearchResultsLIST);
  setTabOrder(SearchResultsLIST, CancelCMD);
  setTabOrder(CancelCMD, BackCMD);
  setTabOrder(BackCMD, NextCMD);
  setTabOrder(NextCMD, FinishCMD);
  NextCMD->setFocus();

  // F1 opens the help from the first page on, before the main window has named the help file.
  help_ = new about::Help(d_, this);
  help_->ServeF1(this);
}

void InitForm::Form_Load() {
  try {
    if (d_.backend == nullptr) throw std::logic_error("no bus backend");
    system_info_ = d_.backend->CreateSystemInfo();
    d_.EnsureBusLink().GetParallelPorts().Device().SetLoadReset(0);
    // candidate_addresses is the constant kCandidateAddresses.
    wizard_state_ = 1;
    const char* const names[] = {"WelcomePanel", "SeclectComsMediumPanel", "SearchingPanel",
                                 "SearchResultsPanel"};
    for (std::size_t n = 0; n < panel_list_.size(); ++n) {
      panel_list_[n] = findChild<QWidget*>(QString::fromLatin1(names[n]));
    }
    show_panel(1);
    WelcomeLBL->setText(QStringLiteral("This ") + kChip + QStringLiteral(" Search Wizard will ") +
                        QStringLiteral("find any ") + kChip +
                        QStringLiteral("s that can be controlled by this software"));
    WelcomeInstructionsLBL->setText(QStringLiteral("Click 'Next' to start."));
    PPSearchDescLBL->setText(QStringLiteral("Remember to connect the ") + kChip +
                             QStringLiteral(" evaluation board to the printer port"));
    set_medium_texts();
    SearchingDetailsLBL->setText(QStringLiteral("Please wait while searching for available ") +
                                 kChip + QStringLiteral("s."));
    search_.Clear();
  } catch (const std::exception&) {
    boxes_.Show(this, QStringLiteral("init_form_load_error"), QStringLiteral("Error"),
                QStringLiteral("Error in Init Form Load"), boxes::MsgIcon::Critical,
                boxes::MsgButtons::Ok);
  }
}

void InitForm::set_medium_texts() {
  const long build = ReadBuild(system_info_->OSBuild());
  if (std::find(kSMBusBuilds.begin(), kSMBusBuilds.end(), build) != kSMBusBuilds.end()) {
    offer_smbus();
  } else {
    refuse_smbus(build);
  }
  if (build == 950 || build == 1111) {
    USBSearchDescLBL->setText(
        QStringLiteral("Sorry, USB communication is not supported on Windows 95."));
    SetTextColour(USBSearchDescLBL, kUnsupportedColour);
    USBCheck->setChecked(false);
    USBCheck->setEnabled(false);
  }
  SearchMediumInstLBL->setText(QStringLiteral("Click 'Next' to search for the ") + kChip +
                               QStringLiteral("."));
}

void InitForm::offer_smbus() {
  SMBusSearchDescLBL->setText(
      QStringLiteral("The Southbridge or ICH of Intel chipsets. For unsupported Intel "
                     "chipsets, enter SMBBA here (Hex)."));
  smbus_reported_base_ = d_.EnsureBusLink().SMBus().BaseAddress();
  SMBusBaseAddressTXT->setText(
      QString::fromStdString(Hex(static_cast<unsigned>(smbus_reported_base_))));
}

void InitForm::refuse_smbus(long build) {
  SMBusSearchDescLBL->setText(
      QStringLiteral("Sorry, SMBus communication is only supported on Windows 95,98 and ME."));
  SetTextColour(SMBusSearchDescLBL, kUnsupportedColour);
  SMBusCheck->setChecked(false);
  SMBusCheck->setEnabled(false);
  SMBusBaseAddressTXT->setEnabled(false);
  // Say what is missing here and how to get it, where the user looks for it.
  smbus_unavailable_ = d_.backend->WhyUnavailable(buslink::Backend::Bus::SMBus);
  if (smbus_unavailable_.empty() && d_.backend->Simulated()) {
    // The adapter is there; the build the scenario gives keeps it out of the search.
    smbus_unavailable_ = "the simulated computer reports operating-system build " +
                         std::to_string(build) +
                         ", for which the SMBus is not offered (its scenario's \"os_build\")";
  }
  if (smbus_unavailable_.empty()) smbus_unavailable_ = "this computer offers no SMBus adapter";
  const QString why = QStringLiteral("The SMBus is off on this computer: ") +
                      QString::fromStdString(smbus_unavailable_);
  SMBusCheck->setToolTip(why);
  SMBusSearchDescLBL->setToolTip(why);
}

void InitForm::recheck_smbus() {
  // Only a computer that offered no SMBus has anything to find out: a USB bridge or the i2c-dev
  // module may have arrived since. Otherwise the panel stays exactly as it was.
  if (smbus_unavailable_.empty() || system_info_ == nullptr) return;
  try {
    const long build = ReadBuild(system_info_->OSBuild());
    if (std::find(kSMBusBuilds.begin(), kSMBusBuilds.end(), build) == kSMBusBuilds.end()) return;
    smbus_unavailable_.clear();
    SetTextColour(SMBusSearchDescLBL, kDescriptionColour);
    SMBusCheck->setToolTip(QString());
    SMBusSearchDescLBL->setToolTip(QString());
    SMBusCheck->setEnabled(true);
    SMBusBaseAddressTXT->setEnabled(true);
    offer_smbus();
  } catch (const std::exception&) {
    // still nothing to offer
  }
}

void InitForm::show_panel(int n) {
  // The panels share one place: bringing one into view takes the others out of it.
  QWidget* panel = panel_list_[static_cast<std::size_t>(n - 1)];
  if (panel != nullptr) panels_->setCurrentWidget(panel);
  // Once a search runs, its results say what it found and why not.
  if (first_run_note_ != nullptr) first_run_note_->setVisible(n <= 2);
}

void InitForm::add_first_run_note() {
  if (d_.backend == nullptr) return;
  const std::string printer_port = d_.backend->WhyUnavailable(buslink::Backend::Bus::PrinterPort);
  const std::string smbus = d_.backend->WhyUnavailable(buslink::Backend::Bus::SMBus);
  if (!FirstRunNote::Needed(printer_port, smbus)) return;
  auto* note = new FirstRunNote(printer_port, smbus, this);
  // Above the search's reasons, below the drawn window.
  static_cast<QVBoxLayout*>(layout())->insertWidget(1, note);
  connect(note, &FirstRunNote::started, this, [this] { CancelCMD_Click(); });
  first_run_note_ = note;
  note->setVisible(wizard_state_ <= 2);
}

void InitForm::NextCMD_Click() {
  nav_forward_ = true;
  navigate();
}

void InitForm::BackCMD_Click() {
  nav_forward_ = false;
  navigate();
}

void InitForm::navigate() {
  switch (wizard_state_) {
    case 1:
      if (nav_forward_) {
        recheck_smbus();
        wizard_state_ = 2;
        show_panel(2);
        BackCMD->setEnabled(true);
      }
      break;
    case 2:
      if (nav_forward_) {
        start_search();
      } else {
        wizard_state_ = 1;
        show_panel(1);
        BackCMD->setEnabled(false);
      }
      break;
    case 4:
      if (nav_forward_) {
        show_panel(4);
        BackCMD->setEnabled(true);
        FinishCMD->setEnabled(true);
        NextCMD->setEnabled(false);
      } else {
        clear_search_results();
        recheck_smbus();
        wizard_state_ = 2;
        show_panel(2);
        NextCMD->setEnabled(true);
        FinishCMD->setEnabled(false);
      }
      break;
    default:  // searching: the buttons are off anyway
      break;
  }
}

void InitForm::start_search() {
  if (!PPCheck->isChecked() && !SMBusCheck->isChecked() && !USBCheck->isChecked()) {
    boxes_.Show(this, QStringLiteral("no_search_medium"), QStringLiteral("A problem was detected"),
                QStringLiteral("Please select a search medium"), boxes::MsgIcon::None,
                boxes::MsgButtons::Ok);
    return;
  }
  wizard_state_ = 3;
  show_panel(3);
  SearchingPanel->repaint();
  for (QPushButton* b : {CancelCMD, BackCMD, NextCMD, FinishCMD}) b->setEnabled(false);
  BusyPointer busy;
  load_main_form();
  search_media();
  CancelCMD->setEnabled(true);
  BackCMD->setEnabled(true);
  NextCMD->setEnabled(false);
  FinishCMD->setEnabled(true);
  busy.Restore();
  list_search_results();
  wizard_state_ = 4;
  show_panel(4);
  SearchProgress->setValue(0);
  (FinishCMD->isEnabled() ? FinishCMD : BackCMD)->setFocus();
}

void InitForm::load_main_form() {
  // Loading runs the main window's load steps; a window already loaded is not loaded again.
  if (main_form_ == nullptr) main_form_ = new display::MainForm(d_, boxes_);
}

void InitForm::unload_main_form() {
  delete main_form_;
}

void InitForm::advance_progress(int step) {
  const int value = SearchProgress->value();
  SearchProgress->setValue(SearchProgress->maximum() >= value + step ? value + step
                                                                     : SearchProgress->maximum());
  // The search runs inside the click handler: nothing repaints unless asked to.
  SearchingPanel->repaint();
}

void InitForm::search_media() {
  const int ticked = (PPCheck->isChecked() ? 1 : 0) + (SMBusCheck->isChecked() ? 1 : 0) +
                     (USBCheck->isChecked() ? 1 : 0);
  SearchProgress->setMaximum(kProgressPerMedium * ticked);
  const ProgressStep step = [this](int size) { advance_progress(size); };
  buslink::BusLink* link = nullptr;
  try {
    link = &d_.EnsureBusLink();
  } catch (const std::exception&) {
    // no component: nothing can be found on the printer ports or the SMBus
  }
  if (PPCheck->isChecked() && link != nullptr) search_.SearchPrinterPorts(*link, step);
  if (SMBusCheck->isChecked() && link != nullptr) {
    // A base typed over the reported one picks that controller; as shown, it changes nothing.
    search_.SearchSMBus(
        *link, step,
        SMBusBaseToSearch(SMBusBaseAddressTXT->text().toStdString(), smbus_reported_base_));
  }
  if (USBCheck->isChecked()) DeviceSearch::SearchUSB(step);
}

void InitForm::list_search_results() {
  int i = 0;
  int e = 0;
  line_addresses_.clear();
  line_adapters_.clear();
  for (const PPFind& r : search_.pp_finds()) {
    ++e;
    // A record whose port cannot be selected again gets no line; the next one is listed.
    Skippable([&] {
      buslink::ParallelPorts& ports = d_.EnsureBusLink().GetParallelPorts();
      ports.SetSelectedPort(r.port);
      const std::string line = PrinterPortLine(r.address, ports.BaseAddress(), e);
      SearchResultsLIST->insertItem(i, QString::fromStdString(line));
      SearchResultsLIST->setCurrentRow(0);
      line_addresses_.push_back(r.address);
      line_adapters_.emplace_back();
      ++i;
    });
  }
  // With one adapter searched the lines are as they always were; with several each names its own.
  const bool several = search_.adapters_searched() > 1;
  for (const devaccess::SMBusFind& find : search_.smbus_finds()) {
    const std::string adapter = several && find.adapter ? find.adapter->Label() : std::string();
    SearchResultsLIST->insertItem(i, QString::fromStdString(SMBusLine(find.address7, adapter)));
    SearchResultsLIST->setCurrentRow(0);
    line_addresses_.push_back(find.address7);
    line_adapters_.push_back(find.adapter);
    ++i;
  }
  if (i == 0) {
    SearchResultsLBL->setText(QStringLiteral("Sorry, no ") + kChip +
                              QStringLiteral("s were found. Please check all connections and "
                                             "try again"));
    SearchInsLBL->setText(QStringLiteral("Click Back to continue..."));
    FinishCMD->setEnabled(false);
    SearchResultsLIST->clear();
  } else {
    SearchResultsLBL->setText(QStringLiteral("Please select one of the ") + kChip +
                              QStringLiteral("s found above."));
    SearchInsLBL->setText(QStringLiteral("Click 'Finish' to Continue"));
    SearchResultsLIST->setCurrentRow(0);
  }
  show_search_reasons();
}

void InitForm::show_search_reasons() {
  MediumReport printer_port;
  printer_port.searched = PPCheck->isChecked();
  printer_port.found = !search_.pp_finds().empty();
  printer_port.problems = search_.pp_problems();
  if (printer_port.searched && !printer_port.found && d_.backend != nullptr) {
    printer_port.unavailable = d_.backend->WhyUnavailable(buslink::Backend::Bus::PrinterPort);
  }
  MediumReport smbus;
  smbus.searched = SMBusCheck->isChecked();
  smbus.found = !search_.smbus_finds().empty();
  smbus.problems = search_.smbus_problems();
  smbus.unavailable = smbus_unavailable_;
  const bool simulated = d_.backend != nullptr && d_.backend->Simulated();
  const std::vector<std::string> lines = devaccess::NothingFoundLines(
      printer_port, smbus,
      devaccess::NothingFoundAdvice(simulated, "\"If no chip is found\" in the help (F1)",
                                    "kelvran-eval"));
  QStringList shown;
  for (const std::string& line : lines) {
    std::cerr << "kelvran-eval: " << line << '\n';
    shown << QString::fromStdString(line);
  }
  std::cerr.flush();
  if (shown.isEmpty()) return;
  size_before_reasons_ = size();
  // The window grows by the reasons, so the pages and the buttons above keep their size and
  // place.
  QWidget* design = findChild<QWidget*>(QStringLiteral("InitFormDesign"));
  design->setFixedHeight(design->height());
  SearchReasonsLBL->setText(shown.join(QLatin1Char('\n')));
  SearchReasonsLBL->show();
  resize(width(), height() + SearchReasonsLBL->heightForWidth(width()));
}

void InitForm::hide_search_reasons() {
  if (SearchReasonsLBL->isHidden()) return;
  SearchReasonsLBL->hide();
  SearchReasonsLBL->clear();
  QWidget* design = findChild<QWidget*>(QStringLiteral("InitFormDesign"));
  design->setMinimumHeight(0);
  design->setMaximumHeight(QWIDGETSIZE_MAX);
  layout()->activate();
  resize(size_before_reasons_);
}

void InitForm::clear_search_results() {
  hide_search_reasons();
  SearchResultsLIST->clear();
  search_.Clear();
}

void InitForm::FinishCMD_Click() {
  const int selected = SearchResultsLIST->currentRow();
  QListWidgetItem* item = SearchResultsLIST->item(selected);
  const LineTag tag = ReadLineTag(item != nullptr ? item->text().toStdString() : std::string());

  if (tag.kind == LineTag::Kind::Printer) {
    const auto& finds = search_.pp_finds();
    const auto e = static_cast<std::size_t>(tag.printer_line);
    // A number with no record behind it makes every step below fail, and each is skipped.
    auto record = [&]() -> const PPFind& { return finds.at(e - 1); };
    Skippable([&] { d_.EnsureBusLink().GetParallelPorts().SetSelectedPort(record().port); });
    Skippable(
        [&] { d_.EnsureBusLink().GetParallelPorts().Device().SetModeFlag(record().mode_flag); });
    Skippable(
        [&] { d_.EnsureBusLink().GetParallelPorts().Device().SetDeviceAddress(record().address); });
    Skippable([&] { d_.EnsureBusLink().SetMedium(buslink::BusMedium::PrinterPort); });
    d_.comms_medium = devaccess::CommsMediumOf(buslink::BusMedium::PrinterPort);
    Skippable([&] {
      d_.pp_base_address =
          static_cast<std::uint16_t>(d_.EnsureBusLink().GetParallelPorts().Device().BaseAddress());
    });
  }
  d_.adapter.clear();
  d_.several_adapters = false;
  if (tag.kind == LineTag::Kind::SMBus) {
    // The chip's adapter goes with it; the line's place in the list says which one it was.
    Skippable([&] {
      const auto& adapter = line_adapters_.at(static_cast<std::size_t>(selected));
      if (!adapter) return;
      d_.EnsureBusLink().SMBus().SelectAdapter(adapter->number);
      d_.adapter = adapter->Label();
      d_.several_adapters = search_.adapters_searched() > 1;
    });
    Skippable([&] { d_.EnsureBusLink().SMBus().SetDeviceAddress(tag.address7); });
    Skippable([&] { d_.EnsureBusLink().SetMedium(buslink::BusMedium::SMBus); });
    d_.comms_medium = devaccess::CommsMediumOf(buslink::BusMedium::SMBus);
  }
  if (tag.kind == LineTag::Kind::None) {
    // Nothing to hand over: the program ends.
    unload_main_form();
    close();
    return;
  }
  wizard_finished_ = true;
  Skippable([&] {
    d_.device_address =
        static_cast<std::int16_t>(line_addresses_.at(static_cast<std::size_t>(selected)));
  });
  Skippable([&] {
    load_main_form();  // loaded by the search; this only matters if that load was lost
    main_form_->show();
  });
  close();
}

void InitForm::CancelCMD_Click() {
  if (!wizard_finished_) unload_main_form();
  close();
}

void InitForm::closeEvent(QCloseEvent* event) {
  // Closed before Finish: every window of the program goes, so the program ends. After Finish
  // the main window stays.
  if (!wizard_finished_) unload_main_form();
  event->accept();
}

void InitForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && CancelCMD->isEnabled()) {
    CancelCMD->click();
    return;
  }
  // Return where nothing else takes it (a check box, the base address box) presses the button
  // that moves on: Next, or Finish on the last page.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      event->modifiers() == Qt::NoModifier) {
    for (QPushButton* b : {NextCMD, FinishCMD}) {
      if (b->isEnabled()) {
        b->click();
        return;
      }
    }
  }
  QWidget::keyPressEvent(event);
}

}  // namespace wizard
