#include "wizard/first_run_note.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>

#include "boxes/handler_edge.h"
#include "widgets/labels.h"

namespace wizard {

FirstRunNote::FirstRunNote(const std::string& printer_port_why, const std::string& smbus_why,
                           QWidget* parent)
    : QFrame(parent), launcher_(StartThisProgramSimulated) {
  setObjectName(QStringLiteral("FirstRunNote"));
  setFrameShape(QFrame::StyledPanel);
  text_shown_ = QStringLiteral("This computer offers no bus to find a chip on yet.\n") +
                QStringLiteral("Printer port: ") + QString::fromStdString(printer_port_why) +
                QStringLiteral("\nSMBus: ") + QString::fromStdString(smbus_why) +
                QStringLiteral(
                    "\nTo try the program without a board, start it on simulated hardware "
                    "(kelvran-eval --simulate).");
  text_ = widgets::MakePlainLabel(QStringLiteral("FirstRunLBL"), text_shown_, this);
  text_->setWordWrap(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  button_ = new QPushButton(QStringLiteral("Start on &Simulated Hardware"), this);
  button_->setObjectName(QStringLiteral("FirstRunSimulateCMD"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(text_, 1);
  layout->addWidget(button_, 0, Qt::AlignBottom);
  connect(button_, &QPushButton::clicked, this,
          boxes::AtEdge(std::bind_front(&FirstRunNote::StartSimulated, this)));
}

void FirstRunNote::StartSimulated() {
  if (launcher_ && launcher_()) {
    emit started();
    return;
  }
  // Nothing else changes: the user can still go on with this program or start one by hand.
  text_->setText(text_shown_ + QStringLiteral("\nThe simulated program could not be started; run "
                                              "kelvran-eval --simulate in a terminal."));
}

bool StartThisProgramSimulated() {
  return QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                 {QStringLiteral("--simulate")});
}

}  // namespace wizard
