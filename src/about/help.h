#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "about/help_window.h"
#include "access/declarations.h"

class QWidget;

namespace about {

// The help file's name; it lives in the program's own folder.
inline constexpr char kHelpFileName[] = "KELVRAN.html";

// The help file in program_folder. A folder that already ends in a separator once blanks at either
// end are set aside (the root folder "/") takes the name directly, so no separator is doubled.
QString HelpFilePath(const QString& program_folder);

// The program's help. The main window's load names the help file (init_help) and its unload
// closes the help window (close_help). Once named, the file serves F1 in every window of the
// program: F1 opens it in the program's own help window at its contents.
class Help : public QObject {
  Q_OBJECT

 public:
  explicit Help(devaccess::Declarations& d, QObject* parent = nullptr);
  ~Help() override;

  // Records owner as the help window's owner and names the help file beside the executable.
  void init_help(QWidget* owner);
  // The same with another program folder (tests).
  void init_help(QWidget* owner, const QString& program_folder);
  // Serves F1 with the help file beside the executable before any window has named it (the
  // wizard's pages); owner owns the help window, and the shared state is left alone.
  void ServeF1(QWidget* owner);
  // Closes the help window if it is open; nothing happens otherwise.
  void close_help();

  // What F1 does: shows the help window at the file's contents, bringing it to the front.
  void ShowContents();

  const QString& help_file() const { return help_file_; }
  HelpWindow* window() const;  // nullptr until F1 first opens it

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  devaccess::Declarations& d_;
  QPointer<QWidget> owner_;
  QString help_file_;
  QPointer<HelpWindow> window_;
  bool filtering_ = false;
};

}  // namespace about
