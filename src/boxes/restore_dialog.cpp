#include "boxes/restore_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace boxes {

namespace {

QString Hex(int value) {
  return QString::fromStdString(chip::HexByte(value));
}

}  // namespace

RestoreDialog::RestoreDialog(const std::vector<chip::RestoreStep>& steps, const QString& note,
                             QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("restore_dialog"));
  setWindowTitle(QStringLiteral("Restore Register Snapshot"));
  auto* layout = new QVBoxLayout(this);
  if (!note.isEmpty()) {
    auto* note_label = new QLabel(note, this);
    note_label->setTextFormat(Qt::PlainText);  // it quotes the file
    note_label->setObjectName(QStringLiteral("restore_note"));
    note_label->setWordWrap(true);
    layout->addWidget(note_label);
  }
  auto* intro = new QLabel(
      QStringLiteral("These registers differ from the snapshot. The ticked ones are written in "
                     "this order and each is read back; while the chip runs, START is cleared "
                     "first and Configuration 1 written last."),
      this);
  intro->setWordWrap(true);
  layout->addWidget(intro);

  table_ = new QTableWidget(static_cast<int>(steps.size()), 5, this);
  table_->setObjectName(QStringLiteral("restore_table"));
  table_->setAccessibleName(QStringLiteral("Registers to restore"));
  table_->setHorizontalHeaderLabels({QStringLiteral("Register"), QStringLiteral("Address"),
                                     QStringLiteral("Now"), QStringLiteral("Saved"),
                                     QStringLiteral("Written")});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  for (int row = 0; row < static_cast<int>(steps.size()); ++row) {
    const chip::RestoreStep& step = steps[static_cast<std::size_t>(row)];
    const bool restores = step.role == chip::RestoreStep::Role::Restore;
    QString text = QString::fromStdString(step.caption);
    if (step.role == chip::RestoreStep::Role::Pause) text += QStringLiteral(" (START cleared)");
    if (step.role == chip::RestoreStep::Role::Resume) text += QStringLiteral(" (START again)");
    auto* caption = new QTableWidgetItem(text);
    // Pausing and resuming the chip are not a choice: they come with the registers ticked.
    caption->setFlags(restores ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable
                               : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (restores) caption->setCheckState(Qt::Checked);
    table_->setItem(row, 0, caption);
    table_->setItem(row, 1, new QTableWidgetItem(Hex(step.address)));
    table_->setItem(row, 2, new QTableWidgetItem(Hex(step.now)));
    table_->setItem(row, 3, new QTableWidgetItem(restores ? Hex(step.saved) : QStringLiteral("-")));
    table_->setItem(row, 4, new QTableWidgetItem(Hex(step.write)));
  }
  table_->resizeColumnsToContents();
  table_->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table_, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName(QStringLiteral("restore_buttons"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(480, 360);
}

std::vector<bool> RestoreDialog::Ticked() const {
  std::vector<bool> ticked;
  for (int row = 0; row < table_->rowCount(); ++row) {
    const QTableWidgetItem* caption = table_->item(row, 0);
    ticked.push_back(!(caption->flags() & Qt::ItemIsUserCheckable) ||
                     caption->checkState() == Qt::Checked);
  }
  return ticked;
}

}  // namespace boxes
