#pragma once

#include <QObject>
#include <QString>

class QApplication;
class QWidget;

namespace app {

// Publishes every control's objectName to accessibility tools (Qt shows none over AT-SPI): its
// accessible description becomes "id=<objectName>", followed by "; " and the control's own
// description or tool tip where it has one. One filter for the whole application, so windows
// and message boxes created later are covered when they are polished or shown.
class A11yIdPublisher : public QObject {
  Q_OBJECT

 public:
  explicit A11yIdPublisher(QObject* parent = nullptr) : QObject(parent) {}

  // Installs the filter on app and publishes the widgets that exist already.
  static A11yIdPublisher* Install(QApplication& app);

  // Sets w's description; widgets without an objectName are left alone.
  static void Publish(QWidget* w);
  // The description for a control named name whose own text (description or tool tip) is own.
  static QString Describe(const QString& name, const QString& own);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace app
