#include "display/main_tab.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "about/chip_picture.h"
#include "about/program_identity.h"
#include "widgets/labels.h"

namespace display {

namespace {

using widgets::MakePlainLabel;
using widgets::SetBoldFont;

QString NoteText() {
  return QStringLiteral("To begin monitoring the ") + QLatin1String(about::kChipName) +
         QStringLiteral(
             " applications board voltages, temperatures and fan speeds, the \"Start\" bit in the "
             "first configuration register must be set to 1. Alternatively, pressing the \"easy "
             "setup\" button on the visual display tab will set this bit high. Press F1 for more "
             "information.");
}

}  // namespace

MainTab::MainTab(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("MainTab"));

  auto* title = MakePlainLabel(QStringLiteral("lblMainTitle"), about::ProgramTitle(), this);
  SetBoldFont(title, 1.8);

  auto* version_caption =
      MakePlainLabel(QStringLiteral("lblVersionCaption"), QStringLiteral("Version:"), this);
  lbl_version_ = MakePlainLabel(QStringLiteral("lblVersion"), QString(), this);
  auto* help_hint =
      MakePlainLabel(QStringLiteral("lblHelpHint"), QStringLiteral("Press F1 for Help."), this);

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("MainPicture"));
  picture->setPixmap(about::ChipPicture(QSize(128, 128)));

  auto* note_heading =
      MakePlainLabel(QStringLiteral("lblNoteHeading"), QStringLiteral("Note:"), this);
  SetBoldFont(note_heading);
  auto* note = MakePlainLabel(QStringLiteral("lblNote"), NoteText(), this);
  note->setWordWrap(true);

  command3_ = new QPushButton(QStringLiteral("About"), this);
  command3_->setObjectName(QStringLiteral("Command3"));

  auto* version_row = new QHBoxLayout;
  version_row->addWidget(version_caption);
  version_row->addWidget(lbl_version_);
  version_row->addStretch(1);

  auto* text_column = new QVBoxLayout;
  text_column->addWidget(title);
  text_column->addLayout(version_row);
  text_column->addWidget(help_hint);
  text_column->addStretch(1);

  auto* top = new QHBoxLayout;
  top->addWidget(picture, 0, Qt::AlignTop);
  top->addSpacing(16);
  top->addLayout(text_column, 1);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(command3_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 24, 24, 24);
  layout->addLayout(top);
  layout->addSpacing(24);
  layout->addWidget(note_heading);
  layout->addWidget(note);
  layout->addStretch(1);
  layout->addLayout(bottom);
}

void MainTab::SetVersionCaption(const QString& caption) {
  lbl_version_->setText(caption);
}

}  // namespace display
