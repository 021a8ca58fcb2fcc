#pragma once

#include <QString>
#include <deque>
#include <vector>

#include "widgets/message_boxes.h"

// Records every box a window shows and answers from a queue (Yes or Ok when the queue is empty).
class ScriptedMessageBoxes : public widgets::MessageBoxes {
 public:
  struct Shown {
    QString purpose, title, text;
    widgets::MsgIcon icon;
    widgets::MsgButtons buttons;
  };

  widgets::MsgAnswer Show(QWidget*, const QString& purpose, const QString& title,
                          const QString& text, widgets::MsgIcon icon,
                          widgets::MsgButtons buttons) override {
    shown.push_back({purpose, title, text, icon, buttons});
    if (!answers.empty()) {
      const widgets::MsgAnswer a = answers.front();
      answers.pop_front();
      return a;
    }
    return buttons == widgets::MsgButtons::YesNo ? widgets::MsgAnswer::Yes : widgets::MsgAnswer::Ok;
  }

  std::vector<Shown> shown;
  std::deque<widgets::MsgAnswer> answers;
};
