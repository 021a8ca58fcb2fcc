#include "about/about_box.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "about/chip_picture.h"
#include "widgets/labels.h"

namespace about {

namespace {

using widgets::MakePlainLabel;
using widgets::SetBoldFont;

QString DescriptionText() {
  const QString chip = QLatin1String(kChipName);
  return QStringLiteral("This software allows the user to read and write to an ") + chip +
         QStringLiteral(" on a computer motherboard connected to the SMBus or alternatively, an ") +
         chip +
         QStringLiteral(
             " Evaluation Board connected to either a parallel printer port or a PC SMBus ");
}

QString CreditsText() {
  const QString chip = QLatin1String(kChipName);
  return QStringLiteral("The kelvran-eval developers, for engineers who evaluate the ") + chip +
         QStringLiteral(
             " hardware monitor.\n"
             "Copyright (C) the kelvran-eval developers. All rights reserved.");
}

// What the "Warning:" heading heads.
QString WarningText() {
  return QStringLiteral(
      "This program is provided as is, without warranty of any kind. It writes the limit and "
      "configuration registers of the chip it is connected to; use it only on hardware you may "
      "change.");
}

}  // namespace

frmAbout::frmAbout(const AppVersion& version, QWidget* parent, const QString& adapter)
    : QDialog(parent), version_(version) {
  setObjectName(QStringLiteral("frmAbout"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);

  auto* image = new QLabel(this);
  image->setObjectName(QStringLiteral("Image1"));
  image->setPixmap(ChipPicture(QSize(72, 72)));
  image->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  lbl_title_ = MakePlainLabel(QStringLiteral("lblTitle"), QString(), this);
  SetBoldFont(lbl_title_, 1.4);
  lbl_version_ = MakePlainLabel(QStringLiteral("lblVersion"), QString(), this);

  auto* description = MakePlainLabel(QStringLiteral("lblDescription"), DescriptionText(), this);
  description->setWordWrap(true);

  auto* line = new QFrame(this);
  line->setObjectName(QStringLiteral("Line1"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  auto* by = MakePlainLabel(QStringLiteral("lblBy"), QStringLiteral("By:"), this);
  auto* credits = MakePlainLabel(QStringLiteral("lblCredits"), CreditsText(), this);
  credits->setWordWrap(true);

  auto* disclaimer =
      MakePlainLabel(QStringLiteral("lblDisclaimer"), QStringLiteral("Warning: "), this);
  SetBoldFont(disclaimer);
  auto* warning = MakePlainLabel(QStringLiteral("lblWarning"), WarningText(), this);
  warning->setWordWrap(true);

  cmd_ok_ = new QPushButton(QStringLiteral("OK"), this);
  cmd_ok_->setObjectName(QStringLiteral("cmdOK"));
  cmd_ok_->setDefault(true);
  cmd_ok_->setAutoDefault(true);
  connect(cmd_ok_, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

  auto* text_column = new QVBoxLayout;
  text_column->addWidget(lbl_title_);
  text_column->addWidget(lbl_version_);
  if (!adapter.isEmpty()) {
    auto* where = MakePlainLabel(QStringLiteral("lblAdapter"),
                                 QStringLiteral("Chip's adapter: ") + adapter, this);
    where->setWordWrap(true);
    text_column->addWidget(where);
  }
  text_column->addSpacing(6);
  text_column->addWidget(description);
  auto* top = new QHBoxLayout;
  top->addWidget(image, 0, Qt::AlignTop);
  top->addLayout(text_column, 1);

  // The headings "By:" and "Warning:" each beside the text they head.
  auto* notes = new QGridLayout;
  notes->addWidget(by, 0, 0, Qt::AlignTop);
  notes->addWidget(credits, 0, 1);
  notes->addWidget(disclaimer, 1, 0, Qt::AlignTop);
  notes->addWidget(warning, 1, 1);
  notes->setColumnStretch(1, 1);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(cmd_ok_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(line);
  layout->addLayout(notes);
  layout->addStretch(1);
  layout->addLayout(bottom);

  setMinimumWidth(460);
  Form_Load();
  cmd_ok_->setFocus();
}

void frmAbout::Form_Load() {
  const QString title = ProgramTitle();
  setWindowTitle(QStringLiteral("About ") + title);
  lbl_version_->setText(VersionCaption(version_));
  lbl_title_->setText(title);
}

void frmAbout::cmdOK_Click() {
  done(QDialog::Accepted);
}

void frmAbout::reject() {
  cmdOK_Click();
}

}  // namespace about
