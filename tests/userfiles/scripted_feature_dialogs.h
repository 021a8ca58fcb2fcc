#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "boxes/feature_dialogs.h"

// Answers the menu features' dialogs from a script and keeps what they were asked.
class ScriptedFeatureDialogs : public boxes::FeatureDialogs {
 public:
  // As the real dialog does, a name without a suffix gets the suggested name's.
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString& suggested,
                       const QString&) override {
    const QString file = Next();
    if (file.isEmpty() || !QFileInfo(file).suffix().isEmpty()) return file;
    return file + QLatin1Char('.') + QFileInfo(suggested).suffix();
  }
  QString OpenFileName(QWidget*, const QString&, const QString&, const QString&) override {
    return Next();
  }
  std::optional<int> RecordingInterval(QWidget*) override { return interval_ms; }
  std::optional<std::vector<bool>> ChooseRestore(QWidget*,
                                                 const std::vector<chip::RestoreStep>& steps,
                                                 const QString& note) override {
    offered = steps;
    offered_note = note;
    if (!ticks) return std::vector<bool>(steps.size(), true);
    return ticks;
  }
  bool AlsoExportCsv(QWidget*) override { return also_csv; }

  QStringList files;  // answers to the file dialogs, in order; then cancel
  std::optional<int> interval_ms = 1000;
  std::optional<std::vector<bool>> ticks;  // nothing: all ticked
  bool also_csv = true;
  std::vector<chip::RestoreStep> offered;
  QString offered_note;

 private:
  QString Next() { return files.isEmpty() ? QString() : files.takeFirst(); }
};
