#pragma once

#include <QString>
#include <deque>
#include <vector>

#include "boxes/message_boxes.h"

// Records every box a window shows and answers from a queue (Yes or Ok when the queue is empty).
class ScriptedMessageBoxes : public boxes::MessageBoxes {
 public:
  struct Shown {
    QString purpose, title, text;
    boxes::MsgIcon icon;
    boxes::MsgButtons buttons;
  };

  boxes::MsgAnswer Show(QWidget*, const QString& purpose, const QString& title, const QString& text,
                        boxes::MsgIcon icon, boxes::MsgButtons buttons) override {
    shown.push_back({purpose, title, text, icon, buttons});
    if (!answers.empty()) {
      const boxes::MsgAnswer a = answers.front();
      answers.pop_front();
      return a;
    }
    return buttons == boxes::MsgButtons::YesNo ? boxes::MsgAnswer::Yes : boxes::MsgAnswer::Ok;
  }

  std::vector<Shown> shown;
  std::deque<boxes::MsgAnswer> answers;
};
