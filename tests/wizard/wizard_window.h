#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include "access/declarations.h"
#include "buslink/bus_link.h"
#include "support/scripted_message_boxes.h"
#include "wizard/init_form.h"

// The wizard on a backend of the test's choosing, driven the way a user drives it.
class WizardWindow {
 public:
  explicit WizardWindow(buslink::Backend& backend) : d(&backend), form(d, boxes) {
    form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
  }

  template <class T = QWidget>
  T* Find(const char* name) {
    T* w = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString Text(const char* label) { return Find<QLabel>(label)->text(); }
  bool Enabled(const char* name) { return Find<QWidget>(name)->isEnabled(); }
  QRgb Colour(const char* label) {
    return Find<QLabel>(label)->palette().color(QPalette::WindowText).rgb();
  }

  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
  // Clicks the box's indicator, where a user clicks.
  void ClickCheck(const char* name) {
    auto* box = Find<QCheckBox>(name);
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
  }
  // Selects everything in the base address box and types over it, key by key.
  void TypeBase(const QString& keys) {
    auto* box = Find<QLineEdit>("SMBusBaseAddressTXT");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, keys);
  }
  QString Base() { return Find<QLineEdit>("SMBusBaseAddressTXT")->text(); }

  QStringList Lines() {
    QStringList lines;
    auto* list = Find<QListWidget>("SearchResultsLIST");
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
  }

  ScriptedMessageBoxes boxes;
  devaccess::Declarations d;
  wizard::InitForm form;
};
