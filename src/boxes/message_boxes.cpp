#include "boxes/message_boxes.h"

#include <QMessageBox>

namespace boxes {

MsgAnswer QtMessageBoxes::Show(QWidget* parent, const QString& purpose, const QString& title,
                               const QString& text, MsgIcon icon, MsgButtons buttons) {
  QMessageBox box(parent);
  box.setObjectName(QStringLiteral("msgbox_") + purpose);
  box.setWindowTitle(title);
  box.setTextFormat(Qt::PlainText);  // a text may quote a file or a device: never markup
  box.setText(text);
  switch (icon) {
    case MsgIcon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case MsgIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MsgIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MsgIcon::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
  }
  if (buttons == MsgButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return MsgAnswer::Ok;
}

}  // namespace boxes
