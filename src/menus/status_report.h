#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QWidget;

namespace menus {

// The main window's status bar: what the last action beside the chip's own windows did and where
// (a snapshot saved, registers restored, a chart exported, a recording stopped), the running
// recording, and a note while the chip is not monitoring. The bar appears with the first thing
// it has to say and then stays, so the tabs above it do not jump; a run that never needs it
// looks as the window always has. It is a strip of the window's own, below the tabs, rather
// than Qt's status bar, whose height does not follow text that wraps: a long note or file name
// takes a second line instead of being cut.
class StatusReport : public QObject {
  Q_OBJECT

 public:
  explicit StatusReport(QWidget* window);

  // The strip, for the window to place below its tabs; hidden until it has something to say.
  QWidget* Bar() const { return bar_; }

  // What an action did; stays until the next.
  void Say(const QString& what);
  QString Said() const;

  // The running recording's indicator; empty when none runs.
  void SetRecording(const QString& indicator);
  // Whether START is clear in Configuration 1 as last read or written.
  void SetNotMonitoring(bool not_monitoring);
  // The room the strip took from the pages when it came with a reading, given back by growing the
  // window (where the screen has room) when the user turns to another page; once.
  void GiveBackRoom();

 private:
  // The strip comes into view the first time it has something to say; grow: the window grows by
  // it where the screen has room, so the tabs keep theirs.
  void Appear(bool grow);
  void Grow();

  QWidget* bar_;
  QLabel* message_ = nullptr;
  QLabel* recording_ = nullptr;
  QLabel* not_monitoring_ = nullptr;
  bool room_owed_ = false;
};

}  // namespace menus
