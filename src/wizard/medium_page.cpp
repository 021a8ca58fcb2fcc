#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QValidator>
#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "wizard/page_parts.h"
#include "wizard/twips_layout.h"
#include "wizard/wizard_pages.h"

namespace wizard {

using namespace page_parts;

namespace {

// Operating-system builds on which the SMBus is offered: 95, 95 OSR2, 98, 98 SE and ME.
constexpr std::array<long, 5> kSMBusBuilds = {950, 1111, 1998, 2222, 3000};

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

bool OffersSMBus(long build) {
  return std::find(kSMBusBuilds.begin(), kSMBusBuilds.end(), build) != kSMBusBuilds.end();
}

}  // namespace

MediumPage::MediumPage() {
  MakePanel(this, "SeclectComsMediumPanel");
  auto* layout = new TwipsLayout(kPanelDesign, this);
  PPCheck = new QCheckBox(QStringLiteral("Parallel Printer Port"), this);
  PPCheck->setObjectName(QStringLiteral("PPCheck"));
  PPCheck->setChecked(true);
  layout->AddWidget(PPCheck, QRect(120, 240, 1695, 495));
  PPSearchDescLBL = MakeLabel(this, "PPSearchDescLBL");
  layout->AddWidget(PPSearchDescLBL, QRect(1800, 360, 2775, 735));
  SMBusCheck = new QCheckBox(QStringLiteral("On-Board SMBus"), this);
  SMBusCheck->setObjectName(QStringLiteral("SMBusCheck"));
  layout->AddWidget(SMBusCheck, QRect(120, 960, 1575, 495));
  SMBusSearchDescLBL = MakeLabel(this, "SMBusSearchDescLBL");
  // The base address box sits in the label's lower right corner: the text ends above it.
  layout->AddWidget(SMBusSearchDescLBL, QRect(1800, 1080, 2775, 855), 1680 - 1080);
  SMBusBaseAddressTXT = new QLineEdit(QStringLiteral("000"), this);
  SMBusBaseAddressTXT->setObjectName(QStringLiteral("SMBusBaseAddressTXT"));
  SMBusBaseAddressTXT->setValidator(new AtMostThreeHexDigits(SMBusBaseAddressTXT));
  SMBusBaseAddressTXT->setAlignment(Qt::AlignRight);
  // Room for a four-digit I/O address: the window grows to fit it rather than cut it.
  const int frame = SMBusBaseAddressTXT->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  SMBusBaseAddressTXT->setMinimumWidth(
      SMBusBaseAddressTXT->fontMetrics().horizontalAdvance(QStringLiteral("FFFF")) + 2 * frame + 6);
  SMBusSearchDescLBL->setBuddy(SMBusBaseAddressTXT);
  layout->AddWidget(SMBusBaseAddressTXT, QRect(4080, 1680, 375, 285));
  USBCheck = new QCheckBox(QStringLiteral("USB"), this);
  USBCheck->setObjectName(QStringLiteral("USBCheck"));
  USBCheck->setEnabled(false);
  USBCheck->setVisible(false);  // nothing ever offers USB
  layout->AddWidget(USBCheck, QRect(120, 1920, 735, 495));
  USBSearchDescLBL = MakeLabel(this, "USBSearchDescLBL");
  USBSearchDescLBL->setVisible(false);
  layout->AddWidget(USBSearchDescLBL, QRect(1800, 2040, 2775, 615));
  SearchMediumInstLBL = MakeLabel(this, "SearchMediumInstLBL");
  layout->AddWidget(SearchMediumInstLBL, QRect(120, 2520, 4095, 495));
  for (QLabel* description : {PPSearchDescLBL, SMBusSearchDescLBL, USBSearchDescLBL}) {
    SetTextColour(description, kDescriptionColour);
  }
}

void MediumPage::SetTexts(devaccess::Declarations& d, const buslink::SystemInfo& system) {
  const QString chip = QString::fromLatin1(kChipName);
  PPSearchDescLBL->setText(QStringLiteral("Remember to connect the ") + chip +
                           QStringLiteral(" evaluation board to the printer port"));
  const long build = ReadBuild(system.OSBuild());
  if (OffersSMBus(build)) {
    OfferSMBus(d);
  } else {
    RefuseSMBus(d, build);
  }
  if (build == 950 || build == 1111) {
    USBSearchDescLBL->setText(
        QStringLiteral("Sorry, USB communication is not supported on Windows 95."));
    SetTextColour(USBSearchDescLBL, kUnsupportedColour);
    USBCheck->setChecked(false);
    USBCheck->setEnabled(false);
  }
  SearchMediumInstLBL->setText(QStringLiteral("Click 'Next' to search for the ") + chip +
                               QStringLiteral("."));
}

void MediumPage::OfferSMBus(devaccess::Declarations& d) {
  SMBusSearchDescLBL->setText(
      QStringLiteral("The Southbridge or ICH of Intel chipsets. For unsupported Intel "
                     "chipsets, enter SMBBA here (Hex)."));
  smbus_reported_base_ = d.EnsureBusLink().SMBus().BaseAddress();
  SMBusBaseAddressTXT->setText(
      QString::fromStdString(Hex(static_cast<unsigned>(smbus_reported_base_))));
}

void MediumPage::RefuseSMBus(devaccess::Declarations& d, long build) {
  SMBusSearchDescLBL->setText(
      QStringLiteral("Sorry, SMBus communication is only supported on Windows 95,98 and ME."));
  SetTextColour(SMBusSearchDescLBL, kUnsupportedColour);
  SMBusCheck->setChecked(false);
  SMBusCheck->setEnabled(false);
  SMBusBaseAddressTXT->setEnabled(false);
  // Say what is missing here and how to get it, where the user looks for it.
  smbus_unavailable_ = d.backend->WhyUnavailable(buslink::Backend::Bus::SMBus);
  if (smbus_unavailable_.empty() && d.backend->Simulated()) {
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

void MediumPage::RecheckSMBus(devaccess::Declarations& d, const buslink::SystemInfo* system) {
  if (smbus_unavailable_.empty() || system == nullptr) return;
  try {
    if (!OffersSMBus(ReadBuild(system->OSBuild()))) return;
    smbus_unavailable_.clear();
    SetTextColour(SMBusSearchDescLBL, kDescriptionColour);
    SMBusCheck->setToolTip(QString());
    SMBusSearchDescLBL->setToolTip(QString());
    SMBusCheck->setEnabled(true);
    SMBusBaseAddressTXT->setEnabled(true);
    OfferSMBus(d);
  } catch (const std::exception&) {
    // still nothing to offer
  }
}

long MediumPage::SMBusBaseToSearch() const {
  return wizard::SMBusBaseToSearch(SMBusBaseAddressTXT->text().toStdString(), smbus_reported_base_);
}

}  // namespace wizard
