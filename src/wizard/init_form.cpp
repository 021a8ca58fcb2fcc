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
#include <QVBoxLayout>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>

#include "about/help.h"
#include "boxes/handler_edge.h"
#include "display/main_form.h"
#include "widgets/widget_accessibility.h"
#include "wizard/first_run_note.h"
#include "wizard/page_parts.h"
#include "wizard/twips_layout.h"
#include "wizard/wizard_picture.h"

namespace wizard {

using page_parts::Skippable;

namespace {

const QString kChip = QString::fromLatin1(kChipName);

// The window design, in twips.
const QSize kWindowDesign(6135, 3495);

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(true);  // Enter presses the button that has the focus
  return button;
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

  welcome_ = new WelcomePage;
  medium_ = new MediumPage;
  searching_ = new SearchingPage;
  results_ = new ResultsPage;
  for (QFrame* panel : std::initializer_list<QFrame*>{welcome_, medium_, searching_, results_}) {
    panels_->addWidget(panel);
  }

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
  setTabOrder(medium_->PPCheck, medium_->SMBusCheck);
  setTabOrder(medium_->SMBusCheck, medium_->SMBusBaseAddressTXT);
  setTabOrder(medium_->SMBusBaseAddressTXT, medium_->USBCheck);
  setTabOrder(medium_->USBCheck, results_->SearchResultsLIST);
  setTabOrder(results_->SearchResultsLIST, CancelCMD);
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
    welcome_->SetTexts();
    medium_->SetTexts(d_, *system_info_);
    searching_->SetTexts();
    search_.Clear();
  } catch (const std::exception&) {
    boxes_.Show(this, QStringLiteral("init_form_load_error"), QStringLiteral("Error"),
                QStringLiteral("Error in Init Form Load"), boxes::MsgIcon::Critical,
                boxes::MsgButtons::Ok);
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
        medium_->RecheckSMBus(d_, system_info_.get());
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
        medium_->RecheckSMBus(d_, system_info_.get());
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
  if (!medium_->PPCheck->isChecked() && !medium_->SMBusCheck->isChecked() &&
      !medium_->USBCheck->isChecked()) {
    boxes_.Show(this, QStringLiteral("no_search_medium"), QStringLiteral("A problem was detected"),
                QStringLiteral("Please select a search medium"), boxes::MsgIcon::None,
                boxes::MsgButtons::Ok);
    return;
  }
  wizard_state_ = 3;
  show_panel(3);
  searching_->repaint();
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
  searching_->SearchProgress->setValue(0);
  (FinishCMD->isEnabled() ? FinishCMD : BackCMD)->setFocus();
}

void InitForm::load_main_form() {
  // Loading runs the main window's load steps; a window already loaded is not loaded again.
  if (main_form_ == nullptr) main_form_ = new display::MainForm(d_, boxes_);
}

void InitForm::unload_main_form() {
  delete main_form_;
}

void InitForm::search_media() {
  const MediumPage& m = *medium_;
  const int ticked = (m.PPCheck->isChecked() ? 1 : 0) + (m.SMBusCheck->isChecked() ? 1 : 0) +
                     (m.USBCheck->isChecked() ? 1 : 0);
  searching_->SearchProgress->setMaximum(kProgressPerMedium * ticked);
  const ProgressStep step = [this](int size) { searching_->Advance(size); };
  buslink::BusLink* link = nullptr;
  try {
    link = &d_.EnsureBusLink();
  } catch (const std::exception&) {
    // no component: nothing can be found on the printer ports or the SMBus
  }
  if (m.PPCheck->isChecked() && link != nullptr) search_.SearchPrinterPorts(*link, step);
  if (m.SMBusCheck->isChecked() && link != nullptr) {
    search_.SearchSMBus(*link, step, m.SMBusBaseToSearch());
  }
  if (m.USBCheck->isChecked()) DeviceSearch::SearchUSB(step);
}

void InitForm::list_search_results() {
  if (results_->List(search_, d_) == 0) FinishCMD->setEnabled(false);
  show_search_reasons();
}

void InitForm::show_search_reasons() {
  MediumReport printer_port;
  printer_port.searched = medium_->PPCheck->isChecked();
  printer_port.found = !search_.pp_finds().empty();
  printer_port.problems = search_.pp_problems();
  if (printer_port.searched && !printer_port.found && d_.backend != nullptr) {
    printer_port.unavailable = d_.backend->WhyUnavailable(buslink::Backend::Bus::PrinterPort);
  }
  MediumReport smbus;
  smbus.searched = medium_->SMBusCheck->isChecked();
  smbus.found = !search_.smbus_finds().empty();
  smbus.problems = search_.smbus_problems();
  smbus.unavailable = medium_->smbus_unavailable();
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
  results_->Clear();
  search_.Clear();
}

void InitForm::FinishCMD_Click() {
  const int selected = results_->SearchResultsLIST->currentRow();
  QListWidgetItem* item = results_->SearchResultsLIST->item(selected);
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
      const auto& adapter = results_->AdapterOf(static_cast<std::size_t>(selected));
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
        static_cast<std::int16_t>(results_->AddressOf(static_cast<std::size_t>(selected)));
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
