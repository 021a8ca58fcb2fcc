#include <QLabel>
#include <QListWidget>

#include "wizard/page_parts.h"
#include "wizard/twips_layout.h"
#include "wizard/wizard_pages.h"

namespace wizard {

using namespace page_parts;

ResultsPage::ResultsPage() {
  MakePanel(this, "SearchResultsPanel");
  auto* layout = new TwipsLayout(kPanelDesign, this);
  SearchResultsDescLBL = MakeLabel(this, "SearchResultsDescLBL", QStringLiteral("Search Results"));
  QFont bold = SearchResultsDescLBL->font();
  bold.setBold(true);
  SearchResultsDescLBL->setFont(bold);
  layout->AddWidget(SearchResultsDescLBL, QRect(240, 240, 2535, 495), 600 - 240);
  SearchResultsLIST = new QListWidget(this);
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
  layout->AddWidget(SearchResultsLIST, QRect(240, 600, 4095, 1230));
  SearchResultsLBL = MakeLabel(this, "SearchResultsLBL");
  layout->AddWidget(SearchResultsLBL, QRect(360, 2040, 3975, 615), 2520 - 2040);
  SearchInsLBL = MakeLabel(this, "SearchInsLBL");
  layout->AddWidget(SearchInsLBL, QRect(360, 2520, 3975, 375));
}

int ResultsPage::List(const DeviceSearch& search, devaccess::Declarations& d) {
  int i = 0;
  int e = 0;
  line_addresses_.clear();
  line_adapters_.clear();
  for (const PPFind& r : search.pp_finds()) {
    ++e;
    // A record whose port cannot be selected again gets no line; the next one is listed.
    Skippable([&] {
      buslink::ParallelPorts& ports = d.EnsureBusLink().GetParallelPorts();
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
  const bool several = search.adapters_searched() > 1;
  for (const devaccess::SMBusFind& find : search.smbus_finds()) {
    const std::string adapter = several && find.adapter ? find.adapter->Label() : std::string();
    SearchResultsLIST->insertItem(i, QString::fromStdString(SMBusLine(find.address7, adapter)));
    SearchResultsLIST->setCurrentRow(0);
    line_addresses_.push_back(find.address7);
    line_adapters_.push_back(find.adapter);
    ++i;
  }
  const QString chip = QString::fromLatin1(kChipName);
  if (i == 0) {
    SearchResultsLBL->setText(QStringLiteral("Sorry, no ") + chip +
                              QStringLiteral("s were found. Please check all connections and "
                                             "try again"));
    SearchInsLBL->setText(QStringLiteral("Click Back to continue..."));
    SearchResultsLIST->clear();
  } else {
    SearchResultsLBL->setText(QStringLiteral("Please select one of the ") + chip +
                              QStringLiteral("s found above."));
    SearchInsLBL->setText(QStringLiteral("Click 'Finish' to Continue"));
    SearchResultsLIST->setCurrentRow(0);
  }
  return i;
}

void ResultsPage::Clear() {
  SearchResultsLIST->clear();
}

}  // namespace wizard
