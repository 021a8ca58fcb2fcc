#pragma once

#include <QString>

class QWidget;

namespace boxes {

enum class MsgIcon { None, Information, Warning, Critical };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

// Every message box of the program goes through this, so tests answer boxes without a modal loop.
// purpose names the box: the real one gets the objectName "msgbox_<purpose>".
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual MsgAnswer Show(QWidget* parent, const QString& purpose, const QString& title,
                         const QString& text, MsgIcon icon, MsgButtons buttons) = 0;
};

// Modal QMessageBox.
class QtMessageBoxes : public MessageBoxes {
 public:
  MsgAnswer Show(QWidget* parent, const QString& purpose, const QString& title, const QString& text,
                 MsgIcon icon, MsgButtons buttons) override;
};

}  // namespace boxes
