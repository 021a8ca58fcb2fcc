#pragma once

#include <QAction>
#include <QTemporaryDir>
#include <string>

#include "display/main_form.h"
#include "menus/menu_features.h"
#include "support/sim_window_test.h"
#include "userfiles/scripted_feature_dialogs.h"

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
  QString File(const char* name) { return dir_.filePath(QString::fromLatin1(name)); }

  QTemporaryDir dir_;
  ScriptedFeatureDialogs dialogs_;
};
