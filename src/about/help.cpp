#include "about/help.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <cstdint>

#include "about/help_window.h"

namespace about {

QString HelpFilePath(const QString& program_folder) {
  const QString name = QLatin1String(kHelpFileName);
  if (program_folder.trimmed().endsWith(QLatin1Char('/'))) return program_folder + name;
  return program_folder + QLatin1Char('/') + name;
}

Help::Help(devaccess::Declarations& d, QObject* parent) : QObject(parent), d_(d) {}

Help::~Help() {
  if (filtering_) qApp->removeEventFilter(this);
}

void Help::init_help(QWidget* owner) {
  init_help(owner, QCoreApplication::applicationDirPath());
}

void Help::ServeF1(QWidget* owner) {
  owner_ = owner;
  help_file_ = HelpFilePath(QCoreApplication::applicationDirPath());
  if (!filtering_) {
    qApp->installEventFilter(this);
    filtering_ = true;
  }
}

void Help::init_help(QWidget* owner, const QString& program_folder) {
  owner_ = owner;
  // The owner's window id: the record of which window owns help requests. X11 window ids fit in
  // 32 bits.
  d_.help_owner_hwnd = owner != nullptr ? static_cast<std::int32_t>(owner->winId()) : 0;
  help_file_ = HelpFilePath(program_folder);
  if (!filtering_) {
    // F1 is the help key of every window, so it is caught once for the whole application rather
    // than by a shortcut that only works while its own window is active.
    qApp->installEventFilter(this);
    filtering_ = true;
  }
}

HelpWindow* Help::window() const {
  return window_.data();
}

void Help::close_help() {
  if (HelpWindow* open = window_.data(); open != nullptr) open->close();
}

void Help::ShowContents() {
  HelpWindow* window = window_.data();
  if (window == nullptr) {
    window = new HelpWindow(owner_.data());
    window_ = window;
  }
  window->ShowFile(help_file_);
  window->show();
  window->raise();
  window->activateWindow();
}

bool Help::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && !help_file_.isEmpty() && watched->isWidgetType()) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
      ShowContents();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace about
