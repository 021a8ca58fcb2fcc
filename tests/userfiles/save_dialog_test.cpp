// The save dialog itself: a name typed without a suffix gets the format's before the dialog looks
// for the file, so "soak" is soak.csv and a soak.csv already there brings the question.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "boxes/feature_dialogs.h"

namespace {

TEST(SaveDialog, ATypedNameGetsItsSuffixBeforeTheDialogLooksForIt) {
  QTemporaryDir dir;
  const QString was = QDir::currentPath();
  QDir::setCurrent(dir.path());
  boxes::QtFeatureDialogs dialogs;
  for (const bool there : {false, true}) {
    SCOPED_TRACE(there ? "soak.csv there" : "no soak.csv");
    bool typed = false;
    bool asked = false;
    // Types "soak" and accepts; a question about replacing is answered No, then Cancel.
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        asked = true;
        box->button(QMessageBox::No)->click();
      } else if (auto* file_dialog = qobject_cast<QFileDialog*>(modal)) {
        if (typed) return file_dialog->reject();
        file_dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("soak"));
        typed = true;
        QMetaObject::invokeMethod(file_dialog, "accept", Qt::QueuedConnection);
      }
    });
    user.start(20);
    const QString file = dialogs.SaveFileName(
        nullptr, QStringLiteral("recording"), QStringLiteral("Start Recording"),
        QStringLiteral("recording.csv"), QStringLiteral("CSV files (*.csv)"));
    EXPECT_EQ(asked, there);
    EXPECT_EQ(file, there ? QString() : dir.filePath(QStringLiteral("soak.csv")));
    QFile made(dir.filePath(QStringLiteral("soak.csv")));
    ASSERT_TRUE(made.open(QIODevice::WriteOnly));
  }
  QDir::setCurrent(was);
}

}  // namespace
