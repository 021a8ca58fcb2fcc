#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "access/declarations.h"
#include "boxes/message_boxes.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace widgets {
class ClickableLabel;
class FittingLabel;
}  // namespace widgets

namespace editor {

// The "Read/Write" tab: the register list, the bit digits, value entry and continuous reading.
// A register label's text colour (and bold) is its selection state: black, bright green under the
// mouse, dark green when selected, yellow when selected and under the mouse.
class ReadWriteTab : public QWidget {
  Q_OBJECT

 public:
  ReadWriteTab(devaccess::Declarations& d, boxes::MessageBoxes& boxes, QWidget* parent = nullptr);

  void Enter();      // the steps that run when the user switches to this tab
  void StopTimer();  // stops continuous reading (Timer3) without moving the switch
  // Reads the selected register afresh and shows it, changing no selection: for registers written
  // behind the tab's back while it is in front.
  void ShowChipNow();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();

  // Register selection and display.
  void read_writedisplaytext_Click(int index);
  void read_writedisplaytext_MouseMove(int index);
  void move_mouse_away_readwrite();
  void highlight_selected_register();
  void describe_selected_register();
  void read_and_show_register();
  void refresh_register_panel();

  // Bit digits, value entry and continuous reading.
  void bit_Click(int bit);
  void Text6_Change();
  void Text7_Change();
  void Command4_Click();
  void Command5_Click();
  void WriteTypedValue(int value, QLineEdit* other_box, const QString& other_text);
  void SSRibbon5_Click(bool value);
  void Timer3_Timer();

  devaccess::Declarations& d_;
  boxes::MessageBoxes& boxes_;

  // The register the last click on a register label selected; every transfer of this tab goes
  // there, whatever other handlers left in reg_address.
  std::int16_t selected_address_ = 0;
  // What this tab last read there. The shared value_read may hold another reader's value by the
  // time the panel shows (a recording reads on every tab, between this tab's reads).
  int last_read_ = 0;

  std::array<QLabel*, 51> labels_{};  // read_writedisplaytext; 0 is the placeholder
  QLabel* current_reg_type_label_ = nullptr;
  QLabel* current_reg_address_label_ = nullptr;
  QLabel* rw_adapter_label_ = nullptr;
  QLabel* p_value_read_hex_label_ = nullptr;
  QLabel* p_value_read_dec_label_ = nullptr;
  QLabel* p_value_written_hex_label_ = nullptr;
  QLabel* p_value_written_dec_label_ = nullptr;
  std::array<widgets::FittingLabel*, 8> bitname_{};
  std::array<widgets::ClickableLabel*, 8> bit_{};
  QLineEdit* text6_ = nullptr;
  QLineEdit* text7_ = nullptr;
  QPushButton* command4_ = nullptr;
  QPushButton* command5_ = nullptr;
  QPushButton* ssribbon5_ = nullptr;
  QLabel* sspanel7_ = nullptr;
  std::vector<QWidget*> away_panels_;  // moving over one of these restores the last label
  QTimer* timer3_;
  // Continuous reading reads at the timer's pace but shows at a person's: the digits and texts
  // follow the newest value at most kShowsPerSecond times a second.
  QTimer* show_timer_;
  bool value_unshown_ = false;
};

}  // namespace editor
