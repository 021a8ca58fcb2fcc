#include "app/a11y_ids.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "support/qstring_printer.h"

namespace {

// Each control's description becomes "id=<objectName>", then its own tool tip or description.
TEST(A11yIds, WindowsAndMessageBoxesArePublishedWhenShown) {
  const std::unique_ptr<app::A11yIdPublisher> publisher(app::A11yIdPublisher::Install(*qApp));
  QWidget window;
  window.setObjectName("InitForm");
  auto* tipped = new QPushButton("About", &window);
  tipped->setObjectName("Command3");
  tipped->setToolTip("About this program");
  auto* described = new QLabel("0", &window);
  described->setObjectName("bit0");
  described->setAccessibleDescription("bit 0 of the register");
  auto* nameless = new QLabel("x", &window);
  window.show();

  EXPECT_EQ(window.accessibleDescription(), "id=InitForm");
  EXPECT_EQ(tipped->accessibleDescription(), "id=Command3; About this program");
  EXPECT_EQ(described->accessibleDescription(), "id=bit0; bit 0 of the register");
  EXPECT_EQ(nameless->accessibleDescription(), "");
  EXPECT_EQ(described->accessibleName(), "") << "a label keeps its text as its name";

  // Showing again does not stack ids; a new tool tip is taken up.
  window.hide();
  tipped->setToolTip("Version and copyright");
  window.show();
  EXPECT_EQ(tipped->accessibleDescription(), "id=Command3; Version and copyright");
  EXPECT_EQ(described->accessibleDescription(), "id=bit0; bit 0 of the register");
  // A description the control sets for itself later replaces its old one.
  described->setAccessibleDescription("bit 0, START");
  window.hide();
  window.show();
  EXPECT_EQ(described->accessibleDescription(), "id=bit0; bit 0, START");

  QMessageBox box(QMessageBox::Critical, "kelvran-eval", "bus failed");
  box.setObjectName("msgbox_fatal_error");
  box.show();
  EXPECT_EQ(box.accessibleDescription(), "id=msgbox_fatal_error");
}

}  // namespace
