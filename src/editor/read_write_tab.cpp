#include "editor/read_write_tab.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "access/link_new_com_port.h"
#include "boxes/handler_edge.h"
#include "chip/register_catalogue.h"
#include "editor/label_colours.h"
#include "editor/value_entry.h"
#include "widgets/clickable_label.h"
#include "widgets/fitting_label.h"
#include "widgets/labels.h"

namespace editor {

namespace {

constexpr QRgb kButtonEdited = qRgb(255, 0, 0);   // the box was edited and not yet written
constexpr QRgb kButtonWritten = qRgb(0, 255, 0);  // the last typed value was written
constexpr int kShowsPerSecond = 30;

void SetText(QLabel* label, const QString& text) {
  if (label->text() != text) label->setText(text);
}

void SetButtonColour(QPushButton* button, QRgb colour) {
  if (button->palette().color(QPalette::Button).rgb() == colour && button->autoFillBackground()) {
    return;
  }
  QPalette p = button->palette();
  p.setColor(QPalette::Button, QColor(colour));
  button->setPalette(p);
  button->setAutoFillBackground(true);
}

}  // namespace

ReadWriteTab::ReadWriteTab(devaccess::Declarations& d, boxes::MessageBoxes& boxes, QWidget* parent)
    : QWidget(parent),
      d_(d),
      boxes_(boxes),
      timer3_(new QTimer(this)),
      show_timer_(new QTimer(this)) {
  timer3_->setObjectName(QStringLiteral("Timer3"));
  connect(timer3_, &QTimer::timeout, this,
          boxes::AtEdge(std::bind_front(&ReadWriteTab::Timer3_Timer, this)));
  show_timer_->setSingleShot(true);
  show_timer_->setInterval(1000 / kShowsPerSecond);
  connect(show_timer_, &QTimer::timeout, this, boxes::AtEdge([this] {
            if (!value_unshown_ || !timer3_->isActive()) return;
            value_unshown_ = false;
            refresh_register_panel();
            show_timer_->start();
          }));
  BuildLayout();
}

void ReadWriteTab::Enter() {
  if (d_.several_adapters) {
    rw_adapter_label_->setText(QStringLiteral("Adapter: ") + QString::fromStdString(d_.adapter));
    rw_adapter_label_->show();
  }
  d_.hover_label_index = 1;
  timer3_->stop();
  d_.hover_label_index = 11;
  SetLabelColour(labels_[11], kLabelHover);
  read_writedisplaytext_Click(11);
  SetLabelColour(labels_[11], kLabelSelectedHover);
  SetText(sspanel7_, QStringLiteral("Continuous Reading is Off"));
}

void ReadWriteTab::ShowChipNow() {
  read_and_show_register();
  refresh_register_panel();
}

void ReadWriteTab::StopTimer() {
  timer3_->stop();
  value_unshown_ = false;
}

bool ReadWriteTab::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove &&
      std::find(away_panels_.begin(), away_panels_.end(), watched) != away_panels_.end()) {
    move_mouse_away_readwrite();
  } else if (event->type() == QEvent::MouseButtonPress && watched == sspanel7_) {
    // The status panel restores the label when it is clicked rather than when the mouse moves
    // over it.
    move_mouse_away_readwrite();
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Register selection and display ----

void ReadWriteTab::read_writedisplaytext_Click(int index) {
  d_.rw_selected_index = static_cast<std::int16_t>(index);
  highlight_selected_register();

  QLabel* label = labels_[static_cast<std::size_t>(index)];
  switch (LabelColour(label)) {
    case kLabelSelected:
      SetLabelColour(label, kLabelHover);
      break;
    case kLabelNormal:
      SetLabelColour(label, kLabelHover);
      SetLabelBold(label, true);
      break;
    case kLabelHover:
      SetLabelColour(label, kLabelSelectedHover);
      SetLabelBold(label, true);
      break;
    case kLabelSelectedHover:
      SetLabelColour(label, kLabelHover);
      break;
    default:
      break;
  }

  describe_selected_register();
  read_and_show_register();
  refresh_register_panel();
}

void ReadWriteTab::highlight_selected_register() {
  QLabel* selected = labels_[static_cast<std::size_t>(d_.rw_selected_index)];
  if (LabelColour(selected) == kLabelSelectedHover) {
    SetLabelColour(selected, kLabelHover);
    return;
  }
  for (int i = 1; i <= chip::kRegisterCount; ++i) {
    if (i == d_.rw_selected_index) continue;
    QLabel* label = labels_[static_cast<std::size_t>(i)];
    SetLabelColour(label, kLabelNormal);
    SetLabelBold(label, false);
  }
}

void ReadWriteTab::describe_selected_register() {
  const chip::RegisterEntry* entry = chip::LookupRegister(d_.rw_selected_index);
  if (entry == nullptr) return;
  const chip::BitNames& names = chip::BitNamesOf(entry->bit_names);
  for (std::size_t k = 0; k < 8; ++k) {
    const QString name =
        QString::fromUtf8(names[k].data(), static_cast<qsizetype>(names[k].size()));
    bitname_[k]->SetFittedText(name);
    // A name that is hard to read small has its tool tip; screen readers have it whole.
    const QString heading = QStringLiteral("Bit %1").arg(k);
    bitname_[k]->setToolTip(name == heading ? QString() : name);
    widgets::SetSpokenPrefix(bit_[k],
                             name == heading ? heading : heading + QStringLiteral(", ") + name);
  }
  SetText(current_reg_type_label_,
          QString::fromUtf8(entry->description.data(),
                            static_cast<qsizetype>(entry->description.size())));
  selected_address_ = entry->address;
  d_.reg_address = selected_address_;
}

void ReadWriteTab::read_and_show_register() {
  last_read_ = devaccess::ReadAt(d_, selected_address_);
  SetText(current_reg_address_label_, HexText(selected_address_));
  SetText(p_value_read_hex_label_, HexText(last_read_));
  SetText(p_value_read_dec_label_, QString::number(last_read_));
}

void ReadWriteTab::refresh_register_panel() {
  const int shown = d_.bits_show_written == 1 ? d_.value_to_write : last_read_;
  for (int k = 7; k >= 0; --k) {
    SetText(bit_[static_cast<std::size_t>(k)],
            (shown >> k) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
  }
  SetText(p_value_written_hex_label_, HexText(d_.value_to_write));
  SetText(p_value_written_dec_label_, QString::number(d_.value_to_write));
  SetText(p_value_read_hex_label_, HexText(last_read_));
  SetText(p_value_read_dec_label_, QString::number(last_read_));
  SetText(current_reg_address_label_, HexText(selected_address_));
}

void ReadWriteTab::read_writedisplaytext_MouseMove(int index) {
  d_.hover_label_index = static_cast<std::int16_t>(index);
  if (d_.rw_selected_index != index) {
    QLabel* previous = labels_[static_cast<std::size_t>(d_.rw_selected_index)];
    if (LabelColour(previous) == kLabelHover) {
      SetLabelColour(previous, kLabelNormal);
    } else if (LabelColour(previous) == kLabelSelectedHover) {
      SetLabelColour(previous, kLabelSelected);
    }
    d_.rw_selected_index = static_cast<std::int16_t>(index);
  }
  QLabel* label = labels_[static_cast<std::size_t>(index)];
  if (LabelColour(label) == kLabelNormal) {
    SetLabelColour(label, kLabelHover);
  } else if (LabelColour(label) == kLabelSelected) {
    SetLabelColour(label, kLabelSelectedHover);
  }
}

void ReadWriteTab::move_mouse_away_readwrite() {
  const int index = d_.hover_label_index;
  if (index < 0 || index > chip::kRegisterCount) return;
  QLabel* label = labels_[static_cast<std::size_t>(index)];
  if (LabelColour(label) == kLabelSelectedHover) {
    SetLabelColour(label, kLabelSelected);
  } else if (LabelColour(label) == kLabelHover) {
    SetLabelColour(label, kLabelNormal);
  }
}

// ---- Bit digits, value entry and continuous reading ----

void ReadWriteTab::bit_Click(int bit) {
  widgets::ClickableLabel* digit = bit_[static_cast<std::size_t>(bit)];
  const int mask = 1 << bit;
  const int fresh = devaccess::ReadAt(d_, selected_address_);
  // The digit as shown decides the direction; every other bit comes from the fresh read.
  int value = 0;
  if (digit->text() == QLatin1String("1")) {
    digit->setText(QStringLiteral("0"));
    value = fresh & ~mask;
  } else {
    digit->setText(QStringLiteral("1"));
    value = fresh | mask;
  }
  devaccess::WriteAt(d_, selected_address_, value);
  last_read_ = devaccess::ReadAt(d_, selected_address_);  // what the chip kept, not what was sent
  refresh_register_panel();
}

void ReadWriteTab::Text6_Change() {
  SetButtonColour(command4_, kButtonEdited);
}

void ReadWriteTab::Text7_Change() {
  SetButtonColour(command5_, kButtonEdited);
}

void ReadWriteTab::Command4_Click() {
  const int value = HexEntryValue(text6_->text());
  WriteTypedValue(value, text7_, QString::number(value));
}

void ReadWriteTab::Command5_Click() {
  const double number = DecimalEntryNumber(text7_->text());
  if (number < 0.0 || number > 255.0) {
    // A register holds one byte: refuse rather than send something the user did not type. The
    // box keeps its text and the button stays red, so nothing is lost.
    boxes_.Show(
        this, QStringLiteral("decimal_range"),
        QLatin1String(chip::kChipName) + QStringLiteral(" Evaluation Software"),
        QStringLiteral("\"%1\" is not a value a register can hold, so nothing was written.\n"
                       "Enter a decimal number from 0 to 255.")
            .arg(text7_->text()),
        boxes::MsgIcon::Warning, boxes::MsgButtons::Ok);
    return;
  }
  const int value = static_cast<int>(number);
  WriteTypedValue(value, text6_, HexText(value));
}

void ReadWriteTab::WriteTypedValue(int value, QLineEdit* other_box, const QString& other_text) {
  d_.bits_show_written = 1;
  devaccess::WriteAt(d_, selected_address_, value);
  refresh_register_panel();
  other_box->setText(other_text);
  SetButtonColour(command4_, kButtonWritten);
  SetButtonColour(command5_, kButtonWritten);
  d_.bits_show_written = 0;
}

void ReadWriteTab::SSRibbon5_Click(bool value) {
  if (value) {
    timer3_->setInterval(1);
    timer3_->start();
    SetText(sspanel7_, QStringLiteral("Continuous Reading is On"));
  } else {
    timer3_->stop();
    if (value_unshown_) refresh_register_panel();  // the last value read stays in sight
    value_unshown_ = false;
    SetText(sspanel7_, QStringLiteral("Continuous Reading is Off"));
  }
}

void ReadWriteTab::Timer3_Timer() {
  last_read_ = devaccess::ReadAt(d_, selected_address_);
  // The first value shows at once; the ones that follow wait for the show timer, which then
  // shows the newest.
  if (show_timer_->isActive()) {
    value_unshown_ = true;
    return;
  }
  refresh_register_panel();
  show_timer_->start();
}

}  // namespace editor
