#pragma once

#include <QAction>
#include <QTabWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "chip/recording_reader.h"

#include "display/main_form.h"
#include "menus/menu_features.h"
#include "support/file_text.h"
#include "support/sim_window_test.h"
#include "userfiles/scripted_feature_dialogs.h"

// A recording as the review reads it: its notes ("place: ...", "channel mode changed to ..."),
// its gaps, and each row as caption -> value, with "INT Status 1" and the alarms column.
struct Recorded : chip::RecordingSink {
  void Note(std::uint64_t, std::string_view key, std::string_view value) override {
    notes.push_back(std::string(key) + (value.empty() ? "" : ": " + std::string(value)));
  }
  void Columns(std::span<const chip::RecordedColumn> c, bool) override {
    columns.assign(c.begin(), c.end());
  }
  void Row(const chip::RecordedRow& r) override {
    rows.push_back({{"INT Status 1", r.status1}});
    for (std::size_t i = 0; i < columns.size(); ++i) rows.back()[columns[i].caption] = r.values[i];
    alarms.emplace_back(r.alarms.value_or("-"));
  }
  void Gap(std::uint64_t, const chip::RecordedGap& gap) override { ++(gap.resumed ? ends : gaps); }
  long Notes(std::string_view start) const {
    return std::count_if(notes.begin(), notes.end(),
                         [start](const std::string& n) { return n.starts_with(start); });
  }
  std::vector<std::string> notes, alarms;
  std::vector<chip::RecordedColumn> columns;
  std::vector<std::map<std::string, double>> rows;
  int gaps = 0, ends = 0;
};

// The main window on the simulated chip with its menu's dialogs answered from a script, and a
// folder for the files they name.
class MenuWindowTest : public SimWindowTest<display::MainForm> {
 protected:
  void Run(const std::string& registers, Medium medium = Medium::SMBus) {
    Open(registers, medium);
    window_->menu_features().SetDialogs(dialogs_);
    Mark();
  }
  void Trigger(const char* action) {
    auto* a = window_->findChild<QAction*>(QString::fromLatin1(action));
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
  }
  // Triggers action with the file dialog answering file.
  void TriggerWith(const char* action, const QString& file) {
    dialogs_.files = {file};
    Trigger(action);
  }
  QTabWidget& Tabs() { return *Find<QTabWidget>("Main_Form_Tab"); }
  QString File(const char* name) { return dir_.filePath(QString::fromLatin1(name)); }
  std::string Contents(const char* name) {
    return kelvran_test::FileText(File(name).toStdString());
  }

  QTemporaryDir dir_;
  ScriptedFeatureDialogs dialogs_;
};
