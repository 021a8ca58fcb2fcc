#include "alarms/desktop_notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace alarms {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kIcon = QStringLiteral("kelvran-eval");

// The urgency levels of the notification protocol; the hint must travel as a byte.
constexpr uchar kNormal = 1;
constexpr uchar kCritical = 2;
constexpr int kServerDecidesTimeout = -1;

}  // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus, QString app_name, Warn warn,
                                           QObject* parent)
    : QObject(parent),
      bus_(std::move(bus)),
      app_name_(std::move(app_name)),
      warn_(std::move(warn)) {}

void DesktopNotifications::Show(int key, const Message& message) {
  Entry& entry = entries_[key];
  // The id of the one before is still on its way: this one replaces it once it is known.
  if (entry.waiting) {
    entry.queued = message;
    return;
  }
  Send(key, message);
}

void DesktopNotifications::Send(int key, const Message& message) {
  if (!bus_.isConnected()) {
    Failed(QStringLiteral("no session bus (") + bus_.lastError().message() + QLatin1Char(')'));
    return;
  }
  Entry& entry = entries_[key];
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
  QVariantMap hints;
  hints.insert(QStringLiteral("urgency"),
               QVariant::fromValue<uchar>(message.critical ? kCritical : kNormal));
  call << app_name_ << entry.id << kIcon << message.summary << message.body << QStringList()
       << hints << kServerDecidesTimeout;
  entry.waiting = true;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, key](QDBusPendingCallWatcher* w) { Answered(key, w); });
}

void DesktopNotifications::Answered(int key, QDBusPendingCallWatcher* call) {
  call->deleteLater();
  Entry& entry = entries_[key];
  entry.waiting = false;
  const QDBusPendingReply<quint32> reply = *call;
  if (reply.isError()) {
    Failed(reply.error().name() + QStringLiteral(": ") + reply.error().message());
  } else {
    // The service may give a new id (the user closed the old one): the next update replaces it.
    entry.id = reply.value();
    warned_ = false;
  }
  if (entry.queued) {
    const Message next = *entry.queued;
    entry.queued.reset();
    Send(key, next);
  }
}

void DesktopNotifications::Failed(const QString& reason) {
  if (warned_) return;
  warned_ = true;
  if (warn_) warn_(QStringLiteral("desktop notifications are not available: ") + reason);
}

}  // namespace alarms
