#pragma once

#include <QMainWindow>
#include <QPointer>

#include "access/declarations.h"
#include "boxes/message_boxes.h"

class QTabWidget;
class QVBoxLayout;

namespace about {
class Help;
class frmAbout;
}  // namespace about
namespace menus {
class MenuFeatures;
}
namespace channels {
class ChannelModeTab;
}
namespace editor {
class ReadWriteTab;
}

namespace display {

class MainTab;
class VisualDisplayTab;

// The main window: four tabs, the three timers' tab rules, the start notice. Constructing it is
// the window's load (version caption, help set-up, fan divisors); the wizard constructs it unseen
// when the first search starts and shows it at Finish. Closing or destroying it is its unload,
// which closes the About box and the help window with it.
//
// Handlers catch nothing: a bus failure while a tab is entered goes on to the application's event
// dispatch, which reports it and ends the program.
class MainForm : public QMainWindow {
  Q_OBJECT

 public:
  MainForm(devaccess::Declarations& d, boxes::MessageBoxes& boxes, QWidget* parent = nullptr);
  ~MainForm() override;

  // The tab control's click: runs the entry steps of the tab now in front.
  void Main_Form_Tab_Click(int tab);
  // Mouse movement over the tab control itself (its tab row, a page's bare background, or the
  // static texts of the "Main" tab): back to the default pointer.
  void Main_Form_Tab_MouseMove();
  // "About": shows the About box, or brings the open one forward.
  void Command3_Click();

  about::Help& help() const { return *help_; }
  // Brings the tab in front up to date with the chip, after registers changed behind its back.
  void ShowChipNow();
  // The menu bar's recording, snapshot and chart export features.
  menus::MenuFeatures& menu_features() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Form_Load();
  void Form_Unload();
  void ShowStartNotice();
  bool MayClose();
  bool IsBareTabControl(const QWidget* w, const QPointF& pos) const;

  devaccess::Declarations& d_;
  boxes::MessageBoxes& boxes_;
  about::Help* help_;
  QTabWidget* tabs_;
  QVBoxLayout* central_column_;
  MainTab* main_tab_;
  editor::ReadWriteTab* read_write_tab_;
  VisualDisplayTab* visual_tab_;
  channels::ChannelModeTab* channel_mode_tab_;
  QPointer<about::frmAbout> about_box_;
  menus::MenuFeatures* menu_features_;
};

}  // namespace display
