#pragma once

#include <QString>

class QWidget;

namespace review {

// The file dialogs of the review, behind an interface so tests answer them without a modal loop.
// An empty name means the user cancelled.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  virtual QString OpenFileName(QWidget* parent, const QString& title) = 0;
  virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& suggested,
                               const QString& filter) = 0;
};

// QFileDialog.
class QtFileDialogs : public FileDialogs {
 public:
  QString OpenFileName(QWidget* parent, const QString& title) override;
  QString SaveFileName(QWidget* parent, const QString& title, const QString& suggested,
                       const QString& filter) override;
};

}  // namespace review
