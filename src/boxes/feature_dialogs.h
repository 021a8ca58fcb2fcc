#pragma once

#include <QFileDialog>
#include <QString>
#include <optional>
#include <vector>

#include "chip/restore_plan.h"

class QWidget;

namespace boxes {

// The questions the menu features ask the user. Behind one interface, like the message boxes,
// so tests answer them without a modal loop.
class FeatureDialogs {
 public:
  virtual ~FeatureDialogs() = default;
  // A file name to write, or empty when cancelled. purpose names the dialog ("recording"). A name
  // typed without a suffix gets the suggested name's, and the dialog has asked before choosing a
  // file that is there.
  virtual QString SaveFileName(QWidget* parent, const QString& purpose, const QString& title,
                               const QString& suggested, const QString& filter) = 0;
  // A file name to read, or empty when cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& purpose, const QString& title,
                               const QString& filter) = 0;
  // The recording interval in milliseconds, or nothing when cancelled.
  virtual std::optional<int> RecordingInterval(QWidget* parent) = 0;
  // Which of the planned writes to make (one tick per step), or nothing when cancelled. note is
  // shown above the table when it is not empty.
  virtual std::optional<std::vector<bool>> ChooseRestore(
      QWidget* parent, const std::vector<chip::RestoreStep>& steps, const QString& note) = 0;
  // Whether to write the chart's history as CSV beside its picture.
  virtual bool AlsoExportCsv(QWidget* parent) = 0;
};

// Qt's own dialogs. The folder of the last file chosen is offered next time, for this run only:
// the one setting the program keeps between runs is whether it notifies on alarms.
class QtFeatureDialogs : public FeatureDialogs {
 public:
  QString SaveFileName(QWidget* parent, const QString& purpose, const QString& title,
                       const QString& suggested, const QString& filter) override;
  QString OpenFileName(QWidget* parent, const QString& purpose, const QString& title,
                       const QString& filter) override;
  std::optional<int> RecordingInterval(QWidget* parent) override;
  std::optional<std::vector<bool>> ChooseRestore(QWidget* parent,
                                                 const std::vector<chip::RestoreStep>& steps,
                                                 const QString& note) override;
  bool AlsoExportCsv(QWidget* parent) override;

 private:
  // Runs a file dialog that starts in the folder last used (or the current one) with `name` in
  // it; the chosen file, or "" on Cancel. The chosen file's folder is the next start.
  QString RunFileDialog(QWidget* parent, const QString& purpose, const QString& title,
                        const QString& name, const QString& filter, QFileDialog::AcceptMode mode);

  QString last_folder_;
};

}  // namespace boxes
