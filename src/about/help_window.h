#pragma once

#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace about {

// The program's own help viewer: the help file in a browser with Contents, Back and Forward, and
// a Close button; Escape and Ctrl+W close it too.
class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit HelpWindow(QWidget* owner = nullptr);

  // Shows path at its contents. A file that cannot be read is reported in the window itself,
  // with what to do about it.
  void ShowFile(const QString& path);

  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
  QPushButton* contents_;
  QPushButton* back_;
  QPushButton* forward_;
  QPushButton* close_;
  QString path_;
};

}  // namespace about
