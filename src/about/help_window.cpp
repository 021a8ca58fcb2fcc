#include "about/help_window.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "about/program_identity.h"
#include "widgets/widget_accessibility.h"

namespace about {

namespace {

// The anchor of the help file's table of contents.
constexpr char kContentsAnchor[] = "contents";

QString MissingFileText(const QString& path) {
  return QStringLiteral(
             "<h2>The help file could not be opened</h2>"
             "<p>The help for this program is the file <b>%1</b>, which belongs in the same "
             "folder as the program itself.</p>"
             "<p>Copy %2 from the program's help folder into that folder, or reinstall the "
             "program, then press F1 again.</p>")
      .arg(path.toHtmlEscaped(), QFileInfo(path).fileName().toHtmlEscaped());
}

}  // namespace

HelpWindow::HelpWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  widgets::InstallWidgetAccessibility();  // a window of its own reads as a frame
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(ProgramTitle() + QStringLiteral(" Help"));

  contents_ = new QPushButton(QStringLiteral("Contents"), this);
  contents_->setObjectName(QStringLiteral("help_contents"));
  back_ = new QPushButton(QStringLiteral("< Back"), this);
  back_->setObjectName(QStringLiteral("help_back"));
  back_->setEnabled(false);
  forward_ = new QPushButton(QStringLiteral("Forward >"), this);
  forward_->setObjectName(QStringLiteral("help_forward"));
  forward_->setEnabled(false);

  close_ = new QPushButton(QStringLiteral("Close"), this);
  close_->setObjectName(QStringLiteral("help_close"));

  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("help_browser"));
  browser_->setAccessibleName(QStringLiteral("Help text"));
  browser_->setOpenExternalLinks(true);

  connect(contents_, &QPushButton::clicked, this, [this] { ShowFile(path_); });
  connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QPushButton::setEnabled);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  // The keys that close a window of its own.
  for (const QKeySequence& key :
       {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, this, &QWidget::close);
  }

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(contents_);
  buttons->addWidget(back_);
  buttons->addWidget(forward_);
  buttons->addStretch(1);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(browser_, 1);

  resize(720, 640);
}

void HelpWindow::ShowFile(const QString& path) {
  path_ = path;
  const QFileInfo file(path);
  if (!file.isFile() || !file.isReadable()) {
    browser_->setSource(QUrl());
    browser_->setHtml(MissingFileText(path));
    return;
  }
  QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
  url.setFragment(QLatin1String(kContentsAnchor));
  browser_->setSource(url);
  browser_->scrollToAnchor(QLatin1String(kContentsAnchor));
  browser_->setFocus();
}

}  // namespace about
