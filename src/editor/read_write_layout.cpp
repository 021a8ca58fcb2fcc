// Builds the controls of the Read/Write tab and wires them to the handlers.

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "boxes/handler_edge.h"
#include "chip/register_catalogue.h"
#include "editor/label_colours.h"
#include "editor/read_write_tab.h"
#include "widgets/arrow_key_group.h"
#include "widgets/clickable_label.h"
#include "widgets/fitting_label.h"
#include "widgets/labels.h"
#include "widgets/page_scroll_area.h"
#include "widgets/side_by_side_layout.h"

namespace editor {

namespace {

QString FromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A label whose text can be longer than its place: it wraps (a word longer than the place is cut,
// and its tool tip shows it whole) rather than widen the window.
void KeepFromWidening(QLabel* label) {
  label->setWordWrap(true);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

// A captioned, framed panel; mouse tracking lets it notice the mouse leaving a label.
QGroupBox* MakePanel(const QString& caption, const QString& name, QWidget* parent) {
  auto* panel = new QGroupBox(caption, parent);
  panel->setObjectName(name);
  panel->setMouseTracking(true);
  return panel;
}

// The narrowest width in which every register's description takes at most two lines.
int WidthForTwoLines(const QFont& font) {
  const QFontMetrics fm(font);
  int width = 0;
  for (const chip::RegisterEntry& entry : chip::AllRegisters()) {
    const QString text = FromView(entry.description);
    int w = std::max(width, fm.horizontalAdvance(text) / 2);
    while (fm.boundingRect(QRect(0, 0, w, 1000), Qt::TextWordWrap, text).height() >
           2 * fm.lineSpacing()) {
      ++w;
    }
    width = std::max(width, w);
  }
  return width;
}

// Every name bit k has in any register, so its column keeps room for the widest.
QStringList NamesOfBit(std::size_t k) {
  QStringList names;
  for (const chip::RegisterEntry& entry : chip::AllRegisters()) {
    names << FromView(chip::BitNamesOf(entry.bit_names)[k]);
  }
  return names;
}

}  // namespace

void ReadWriteTab::BuildLayout() {
  // The register lists, and beside them (above them on a narrow page) what is known of the
  // selected register. The lists scroll on their own, so the selected register's bits stay in
  // view while the user picks another; the page never scrolls sideways.
  auto* root = new widgets::SideBySideLayout(this);
  auto* lists = new QWidget(this);
  lists->setObjectName(QStringLiteral("register_lists"));
  auto* lists_row = new QHBoxLayout(lists);
  lists_row->setContentsMargins(0, 0, 0, 0);
  auto* lists_scroll = new widgets::PageScrollArea(lists, this);
  lists_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  root->addWidget(lists_scroll);
  auto* right = new QVBoxLayout;
  root->AddLayout(right);

  // Index 0 is an element of the label array only; it sits outside the panels, unseen, and
  // takes no clicks.
  labels_[0] = widgets::MakePlainLabel(QStringLiteral("read_writedisplaytext_0"),
                                       QStringLiteral("Company ID"), this);
  labels_[0]->hide();

  // The register labels, in catalogue order within each panel.
  struct RegisterPanelBox {
    chip::RegisterPanel panel;
    const char* name;
    int columns;
  };
  const RegisterPanelBox panels[] = {{chip::RegisterPanel::Measured, "SSPanel2", 1},
                                     {chip::RegisterPanel::Limits, "SSPanel4", 2},
                                     {chip::RegisterPanel::OtherSettings, "SSPanel5", 1}};
  std::vector<QWidget*> register_list;  // in screen order: panel by panel, down each column
  for (const RegisterPanelBox& panel_box : panels) {
    QGroupBox* box = MakePanel(FromView(chip::PanelCaption(panel_box.panel)),
                               QString::fromLatin1(panel_box.name), lists);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(2);  // fifty names: as many in sight at once as can be
    int slot = 0;
    int count = 0;
    for (const chip::RegisterEntry& entry : chip::AllRegisters()) {
      if (entry.panel == panel_box.panel) ++count;
    }
    const int rows = (count + panel_box.columns - 1) / panel_box.columns;
    for (const chip::RegisterEntry& entry : chip::AllRegisters()) {
      if (entry.panel != panel_box.panel) continue;
      auto* label = new widgets::ClickableLabel(FromView(entry.caption), box);
      label->setObjectName(QStringLiteral("read_writedisplaytext_%1").arg(entry.index));
      // To a screen reader the names are a list to pick from; the address tells the two
      // "Int. Temp. Trip" apart.
      label->SetSelectable(true);
      label->SetReadableStates({});  // the selection is marked as it is set, with the bold
      label->setAccessibleDescription(
          QStringLiteral("Address 0x") +
          QStringLiteral("%1").arg(entry.address, 2, 16, QLatin1Char('0')).toUpper());
      const int index = entry.index;
      connect(label, &widgets::ClickableLabel::clicked, this,
              boxes::AtEdge([this, index] { read_writedisplaytext_Click(index); }));
      connect(label, &widgets::ClickableLabel::mouseMoved, this,
              [this, index] { read_writedisplaytext_MouseMove(index); });
      labels_[static_cast<std::size_t>(index)] = label;
      register_list.push_back(label);
      grid->addWidget(label, slot % rows, slot / rows);
      ++slot;
    }
    grid->setRowStretch(rows, 1);
    lists_row->addWidget(box);
    away_panels_.push_back(box);
  }
  for (QLabel* label : labels_) {
    // Room for the bold of the selected register, so selecting one never widens the window.
    SetLabelBold(label, true);
    label->setMinimumWidth(label->sizeHint().width());
    SetLabelColour(label, kLabelNormal);
    SetLabelBold(label, false);
  }
  new widgets::ArrowKeyGroup(std::move(register_list), this);
  // Never narrower than the lists with a scroll bar beside them; a few names high at least.
  lists_scroll->setMinimumSize(
      lists->sizeHint().width() + lists_scroll->verticalScrollBar()->sizeHint().width(),
      8 * lists->fontMetrics().lineSpacing());

  // What is known of the selected register. The previous-value labels are kept current but not
  // shown.
  QGroupBox* info = MakePanel(QString(), QStringLiteral("SSPanel13"), this);
  auto* info_grid = new QGridLayout(info);
  info_grid->addWidget(
      widgets::MakePlainLabel(QString(), QStringLiteral("Current Register Type:"), info), 0, 0);
  current_reg_type_label_ = widgets::MakePlainLabel(QStringLiteral("current_reg_type_label"),
                                                    QStringLiteral("Configuration"), info);
  KeepFromWidening(current_reg_type_label_);
  // Room for every description in two lines from the start, so one that wraps moves nothing.
  current_reg_type_label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  current_reg_type_label_->setMinimumWidth(WidthForTwoLines(current_reg_type_label_->font()));
  current_reg_type_label_->setFixedHeight(2 * current_reg_type_label_->fontMetrics().lineSpacing());
  current_reg_type_label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Over the address row's columns and the free room right of them, so a description wraps only
  // when the panel is really too narrow for it.
  info_grid->addWidget(current_reg_type_label_, 0, 1, 1, 5);
  info_grid->addWidget(
      widgets::MakePlainLabel(QString(), QStringLiteral("Current Register Address:"), info), 1, 0);
  current_reg_address_label_ = widgets::MakePlainLabel(QStringLiteral("current_reg_address_label"),
                                                       QStringLiteral("0"), info);
  info_grid->addWidget(current_reg_address_label_, 1, 1);
  info_grid->addWidget(widgets::MakePlainLabel(QString(), QStringLiteral("(Hex)"), info), 1, 2);
  info_grid->setColumnStretch(5, 1);

  const struct {
    const char* heading;
    const char* hex_name;
    const char* dec_name;
    QLabel** hex;
    QLabel** dec;
  } hidden_rows[] = {
      {"Previous value read :", "p_Value_read_hex_label", "p_Value_read_dec_label",
       &p_value_read_hex_label_, &p_value_read_dec_label_},
      {"Previous value written:", "p_Value_written_hex_label", "p_Value_written_dec_label",
       &p_value_written_hex_label_, &p_value_written_dec_label_},
  };
  int row = 2;
  for (const auto& r : hidden_rows) {
    QLabel* heading = widgets::MakePlainLabel(QString(), QString::fromLatin1(r.heading), info);
    *r.hex = widgets::MakePlainLabel(QString::fromLatin1(r.hex_name), QStringLiteral("0"), info);
    QLabel* hex_heading = widgets::MakePlainLabel(QString(), QStringLiteral("(Hex)"), info);
    *r.dec = widgets::MakePlainLabel(QString::fromLatin1(r.dec_name), QStringLiteral("0"), info);
    QLabel* dec_heading = widgets::MakePlainLabel(QString(), QStringLiteral("(Dec)"), info);
    int column = 0;
    for (QLabel* l : {heading, *r.hex, hex_heading, *r.dec, dec_heading}) {
      info_grid->addWidget(l, row, column++);
      l->hide();
    }
    ++row;
  }
  // The chip's I2C adapter, shown only when the search covered several (Enter fills it in).
  rw_adapter_label_ = widgets::MakePlainLabel(QStringLiteral("rw_adapter_label"), QString(), info);
  KeepFromWidening(rw_adapter_label_);
  rw_adapter_label_->hide();
  info_grid->addWidget(rw_adapter_label_, row, 0, 1, 6);
  right->addWidget(info);
  away_panels_.push_back(info);

  // The bits of the selected register, bit 7 on the left.
  QGroupBox* bits = MakePanel(QString(), QStringLiteral("SSPanel37"), this);
  auto* bits_grid = new QGridLayout(bits);
  QLabel* press = widgets::MakePlainLabel(
      QString(), QStringLiteral("Press any of these Digits to write to the TORMEXA"), bits);
  press->setWordWrap(true);
  bits_grid->addWidget(press, 0, 0, 1, 8);
  for (int k = 7; k >= 0; --k) {
    const auto column = 7 - k;
    auto* name = new widgets::FittingLabel(QStringLiteral("Bit %1").arg(k), bits);
    name->setObjectName(QStringLiteral("bitname_%1").arg(k));
    name->KeepRoomFor(NamesOfBit(static_cast<std::size_t>(k)));
    bitname_[static_cast<std::size_t>(k)] = name;
    bits_grid->addWidget(name, 1, column);
    auto* digit = new widgets::ClickableLabel(QStringLiteral("0"), bits);
    digit->setObjectName(QStringLiteral("bit%1").arg(k));
    digit->setAlignment(Qt::AlignCenter);
    digit->SetFewTexts(true);  // continuous reading changes it many times a second
    widgets::SetBoldFont(digit, 1.5);
    widgets::SetSpokenPrefix(digit, QStringLiteral("Bit %1").arg(k));
    connect(digit, &widgets::ClickableLabel::clicked, this,
            boxes::AtEdge([this, k] { bit_Click(k); }));
    bit_[static_cast<std::size_t>(k)] = digit;
    bits_grid->addWidget(digit, 2, column);
  }
  for (int column = 0; column < 8; ++column) bits_grid->setColumnStretch(column, 1);
  // bit 7 on the left, as shown
  new widgets::ArrowKeyGroup(std::vector<QWidget*>(bit_.rbegin(), bit_.rend()), this);
  bits_grid->addWidget(
      widgets::MakePlainLabel(QStringLiteral("bitname_9"), QStringLiteral("(Click Digits)"), bits),
      3, 0, 1, 8, Qt::AlignCenter);
  right->addWidget(bits);
  away_panels_.push_back(bits);

  // Typed values.
  QGroupBox* write = MakePanel(QStringLiteral("Write"), QStringLiteral("SSPanel38"), this);
  auto* write_grid = new QGridLayout(write);
  const struct {
    const char* caption;
    const char* caption_name;
    const char* box_name;
    const char* button_name;
    int max_length;
    QLineEdit** box;
    QPushButton** button;
    const char* spoken;  // tells the two "Press to update" buttons apart
  } entries[] = {
      {"Hex", "bitname_20", "Text6", "Command4", 2, &text6_, &command4_,
       "Writes the hexadecimal value to the register"},
      {"Dec", "bitname_21", "Text7", "Command5", 3, &text7_, &command5_,
       "Writes the decimal value to the register"},
  };
  row = 0;
  for (const auto& e : entries) {
    QLabel* caption = widgets::MakePlainLabel(QString::fromLatin1(e.caption_name),
                                              QString::fromLatin1(e.caption), write);
    *e.box = new QLineEdit(QStringLiteral("00"), write);
    (*e.box)->setObjectName(QString::fromLatin1(e.box_name));
    (*e.box)->setMaxLength(e.max_length);
    (*e.box)->setMaximumWidth((*e.box)->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 5);
    caption->setBuddy(*e.box);
    *e.button = new QPushButton(QStringLiteral("Press to update"), write);
    (*e.button)->setObjectName(QString::fromLatin1(e.button_name));
    (*e.button)->setAccessibleDescription(QString::fromLatin1(e.spoken));
    write_grid->addWidget(caption, row, 0);
    write_grid->addWidget(*e.box, row, 1);
    write_grid->addWidget(*e.button, row, 2);
    ++row;
  }
  write_grid->setColumnStretch(3, 1);
  connect(text6_, &QLineEdit::textChanged, this, &ReadWriteTab::Text6_Change);
  connect(text7_, &QLineEdit::textChanged, this, &ReadWriteTab::Text7_Change);
  connect(text6_, &QLineEdit::returnPressed, command4_, &QPushButton::click);
  connect(text7_, &QLineEdit::returnPressed, command5_, &QPushButton::click);
  connect(command4_, &QPushButton::clicked, this,
          boxes::AtEdge(std::bind_front(&ReadWriteTab::Command4_Click, this)));
  connect(command5_, &QPushButton::clicked, this,
          boxes::AtEdge(std::bind_front(&ReadWriteTab::Command5_Click, this)));
  right->addWidget(write);
  away_panels_.push_back(write);

  // Continuous reading.
  auto* continuous = new QHBoxLayout;
  ssribbon5_ = new QPushButton(QStringLiteral("Continuous Reading"), this);
  ssribbon5_->setObjectName(QStringLiteral("SSRibbon5"));
  ssribbon5_->setCheckable(true);
  connect(ssribbon5_, &QPushButton::toggled, this,
          boxes::AtEdge(std::bind_front(&ReadWriteTab::SSRibbon5_Click, this)));
  sspanel7_ = widgets::MakePlainLabel(QStringLiteral("SSPanel7"),
                                      QStringLiteral("Continuous Reading is Off"), this);
  sspanel7_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  sspanel7_->setAlignment(Qt::AlignCenter);
  sspanel7_->setWordWrap(true);
  sspanel7_->installEventFilter(this);
  continuous->addWidget(ssribbon5_);
  continuous->addWidget(sspanel7_, 1);
  right->addLayout(continuous);
  right->addStretch(1);

  for (QWidget* panel : away_panels_) panel->installEventFilter(this);
}

}  // namespace editor
