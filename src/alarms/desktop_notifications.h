#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <optional>

class QDBusPendingCallWatcher;

namespace alarms {

// The desktop's notification service (org.freedesktop.Notifications on the session bus). Every
// call goes out without waiting for its answer, so a bus without the service costs one line on
// stderr and nothing else: no pause, no box.
class DesktopNotifications : public QObject {
  Q_OBJECT

 public:
  struct Message {
    QString summary;
    QString body;
    bool critical = false;
  };
  // Where the line goes when the service cannot be reached.
  using Warn = std::function<void(const QString&)>;

  DesktopNotifications(QDBusConnection bus, QString app_name, Warn warn, QObject* parent = nullptr);

  // Shows message as the one notification of key, in place of the one shown for key before.
  void Show(int key, const Message& message);

 private:
  struct Entry {
    quint32 id = 0;  // the service's id of the notification shown for the key; 0 for none
    bool waiting = false;
    std::optional<Message> queued;  // to go out once the id of the one before is known
  };
  void Send(int key, const Message& message);
  void Answered(int key, QDBusPendingCallWatcher* call);
  void Failed(const QString& reason);

  QDBusConnection bus_;
  QString app_name_;
  Warn warn_;
  std::map<int, Entry> entries_;
  bool warned_ = false;  // until the service answers again
};

}  // namespace alarms
