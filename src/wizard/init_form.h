#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

#include "access/declarations.h"
#include "boxes/message_boxes.h"
#include "wizard/device_search.h"
#include "wizard/wizard_pages.h"

class QLabel;
class QPushButton;
class QStackedWidget;

namespace about {
class Help;
}

namespace wizard {

// The device search wizard, the program's first window: four pages in one place (welcome,
// medium, searching, results: wizard_pages.h), the picture strip and the Cancel / Back / Next /
// Finish row that moves between them. It finds the chips on the ticked media and, at Finish,
// hands the chosen one to the shared state and shows the main window. Constructing it is the
// window's load.
class InitForm : public QWidget {
  Q_OBJECT

 public:
  InitForm(devaccess::Declarations& d, boxes::MessageBoxes& boxes, QWidget* parent = nullptr);
  ~InitForm() override;

  // 1 welcome, 2 medium, 3 searching, 4 results.
  int wizard_state() const { return wizard_state_; }
  bool wizard_finished() const { return wizard_finished_; }
  // The main window, once the first search has loaded it; null before and after it is unloaded.
  QMainWindow* main_form() const { return main_form_; }
  const DeviceSearch& search() const { return search_; }

 protected:
  void closeEvent(QCloseEvent* event) override;  // Form_Unload
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildWindow();
  void Form_Load();
  void NextCMD_Click();
  void BackCMD_Click();
  void CancelCMD_Click();
  void FinishCMD_Click();

  void navigate();
  void show_panel(int n);
  void start_search();
  void search_media();
  void list_search_results();
  void clear_search_results();
  void load_main_form();
  void unload_main_form();
  void show_search_reasons();  // below the results: why a medium found nothing, also on stderr
  void hide_search_reasons();
  void add_first_run_note();  // below the first pages when neither bus can be reached

  devaccess::Declarations& d_;
  boxes::MessageBoxes& boxes_;
  std::unique_ptr<buslink::SystemInfo> system_info_;

  std::uint8_t wizard_state_ = 1;
  bool nav_forward_ = true;
  bool wizard_finished_ = false;
  std::array<QWidget*, 4> panel_list_{};
  DeviceSearch search_;
  QPointer<QMainWindow> main_form_;
  about::Help* help_ = nullptr;
  QSize size_before_reasons_;

  QStackedWidget* panels_ = nullptr;
  WelcomePage* welcome_ = nullptr;
  MediumPage* medium_ = nullptr;
  SearchingPage* searching_ = nullptr;
  ResultsPage* results_ = nullptr;
  QPushButton* CancelCMD = nullptr;
  QPushButton* BackCMD = nullptr;
  QPushButton* NextCMD = nullptr;
  QPushButton* FinishCMD = nullptr;
  QLabel* SearchReasonsLBL = nullptr;
  QWidget* first_run_note_ = nullptr;
};

}  // namespace wizard
