#include "boxes/interval_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <algorithm>
#include <array>

namespace boxes {

namespace {

struct Unit {
  const char* name;
  int ms;
};
constexpr std::array<Unit, 4> kUnits{{{"ms", 1}, {"s", 1000}, {"min", 60000}, {"h", 3600000}}};
constexpr int kSeconds = 1;

}  // namespace

IntervalDialog::IntervalDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("interval_dialog"));
  setWindowTitle(QStringLiteral("Recording Interval"));
  value_ = new QSpinBox(this);
  value_->setObjectName(QStringLiteral("interval_value"));
  value_->setAccessibleName(QStringLiteral("Interval"));
  unit_ = new QComboBox(this);
  unit_->setObjectName(QStringLiteral("interval_unit"));
  unit_->setAccessibleName(QStringLiteral("Interval unit"));
  for (const Unit& unit : kUnits) unit_->addItem(QString::fromLatin1(unit.name), unit.ms);
  unit_->setCurrentIndex(kSeconds);
  UnitChanged();
  value_->setValue(1);
  connect(unit_, &QComboBox::currentIndexChanged, this, &IntervalDialog::UnitChanged);

  auto* row = new QHBoxLayout;
  row->addWidget(value_, 1);
  row->addWidget(unit_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName(QStringLiteral("interval_buttons"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout(this);
  // A label of its own, so "&e" becomes Alt+E on the number rather than a shown ampersand.
  auto* caption = new QLabel(QStringLiteral("One row &every:"), this);
  caption->setObjectName(QStringLiteral("interval_caption"));
  caption->setBuddy(value_);
  form->addRow(caption, row);
  form->addRow(buttons);
}

void IntervalDialog::UnitChanged() {
  // Each unit allows what stays within 1 ms .. 1 h.
  const int ms = unit_->currentData().toInt();
  value_->setRange(1, std::max(1, kMaxMs / ms));
}

int IntervalDialog::IntervalMs() const {
  return std::clamp(value_->value() * unit_->currentData().toInt(), kMinMs, kMaxMs);
}

}  // namespace boxes
