#include <QLabel>

#include "wizard/page_parts.h"
#include "wizard/twips_layout.h"
#include "wizard/wizard_pages.h"

namespace wizard {

using namespace page_parts;

WelcomePage::WelcomePage() {
  MakePanel(this, "WelcomePanel");
  auto* layout = new TwipsLayout(kPanelDesign, this);
  WelcomeLBL = MakeLabel(this, "WelcomeLBL");
  layout->AddWidget(WelcomeLBL, QRect(360, 360, 3135, 855));
  WelcomeInstructionsLBL = MakeLabel(this, "WelcomeInstructionsLBL");
  layout->AddWidget(WelcomeInstructionsLBL, QRect(360, 1920, 3135, 735));
}

void WelcomePage::SetTexts() {
  const QString chip = QString::fromLatin1(kChipName);
  WelcomeLBL->setText(QStringLiteral("This ") + chip + QStringLiteral(" Search Wizard will ") +
                      QStringLiteral("find any ") + chip +
                      QStringLiteral("s that can be controlled by this software"));
  WelcomeInstructionsLBL->setText(QStringLiteral("Click 'Next' to start."));
}

}  // namespace wizard
