#include <QLabel>
#include <QProgressBar>

#include "wizard/page_parts.h"
#include "wizard/twips_layout.h"
#include "wizard/wizard_pages.h"

namespace wizard {

using namespace page_parts;

SearchingPage::SearchingPage() {
  MakePanel(this, "SearchingPanel");
  auto* layout = new TwipsLayout(kPanelDesign, this);
  SearchingLBL = MakeLabel(this, "SearchingLBL", QStringLiteral("Searching"));
  QFont title_font = SearchingLBL->font();
  title_font.setBold(true);
  title_font.setPointSizeF(title_font.pointSizeF() * 1.8);
  SearchingLBL->setFont(title_font);
  SearchingLBL->setAlignment(Qt::AlignCenter);
  layout->AddWidget(SearchingLBL, QRect(120, 360, 4335, 735));
  SearchingDetailsLBL = MakeLabel(this, "SearchingDetailsLBL");
  layout->AddWidget(SearchingDetailsLBL, QRect(240, 1080, 4095, 855));
  SearchProgress = new QProgressBar(this);
  SearchProgress->setObjectName(QStringLiteral("SearchProgress"));
  SearchProgress->setRange(0, 100);
  SearchProgress->setValue(0);
  SearchProgress->setTextVisible(false);
  SearchingDetailsLBL->setBuddy(SearchProgress);
  layout->AddWidget(SearchProgress, QRect(120, 2040, 4335, 255));
}

void SearchingPage::SetTexts() {
  SearchingDetailsLBL->setText(QStringLiteral("Please wait while searching for available ") +
                               QString::fromLatin1(kChipName) + QStringLiteral("s."));
}

void SearchingPage::Advance(int step) {
  const int value = SearchProgress->value();
  SearchProgress->setValue(SearchProgress->maximum() >= value + step ? value + step
                                                                     : SearchProgress->maximum());
  repaint();
}

}  // namespace wizard
