#include <gmock/gmock.h>

#include <QAction>
#include <QDBusConnection>
#include <QDBusError>
#include <QDateTime>
#include <QSettings>
#include <QTabWidget>
#include <QTimer>
#include <QVariantMap>
#include <memory>

#include "display/main_form.h"
#include "menus/menu_features.h"
#include "support/sim_window_test.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Clock = alarms::AlarmNotifier::Clock;
using std::chrono::seconds;

// What reached the notification service in one Notify call.
struct Call {
  QString app;
  quint32 replaces = 0;
  QString summary;
  QString body;
  QVariant urgency;
  qint32 timeout = 0;
  quint32 id = 0;  // what the service answered
};

// A notification service on the private session bus, on a connection of its own, as a desktop
// would have it: it keeps every Notify call and answers each with a fresh id, or the id it was
// asked to replace.
class FakeNotificationService : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  FakeNotificationService()
      : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                           QStringLiteral("fake_notification_service"))) {
    EXPECT_TRUE(bus_.isConnected()) << bus_.lastError().message().toStdString();
    EXPECT_TRUE(bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                    QDBusConnection::ExportAllSlots));
    EXPECT_TRUE(bus_.registerService(QStringLiteral("org.freedesktop.Notifications")));
  }
  ~FakeNotificationService() override {
    bus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake_notification_service"));
  }

  std::vector<Call> calls;

 public slots:
  quint32 Notify(const QString& app_name, quint32 replaces_id, const QString& /*app_icon*/,
                 const QString& summary, const QString& body, const QStringList& /*actions*/,
                 const QVariantMap& hints, qint32 expire_timeout) {
    const quint32 id = replaces_id != 0 ? replaces_id : next_id_++;
    calls.push_back({app_name, replaces_id, summary, body, hints.value(QStringLiteral("urgency")),
                     expire_timeout, id});
    return id;
  }

 private:
  QDBusConnection bus_;
  quint32 next_id_ = 41;
};

// +12V limits 11.500 V to 12.625 V on a converting chip that needs no start notice.
// External 1 limits 0 to 90 degrees.
constexpr const char* kChip = R"({"registers": {"0x40": "0x03", "0x33": "0xC9", "0x34": "0xB7",
  "0x37": "0x5A", "0x38": "0x00"}, "noise": 0, "inputs": {"v12": 12.0, "temp_ext1": 40}})";

class AlarmNotifierTest : public SimWindowTest<display::MainForm> {
 protected:
  alarms::AlarmNotifier& Notifier() { return window_->menu_features().notifier(); }
  QAction* NotifyAction() {
    return window_->findChild<QAction*>(QStringLiteral("action_notify_alarms"));
  }
  // Turns notifications on from the menu; the test takes the looks itself, at the times it says.
  void TurnOn() {
    NotifyAction()->trigger();
    ASSERT_TRUE(Notifier().enabled());
    window_->findChild<QTimer*>(QStringLiteral("alarm_timer"))->stop();
  }
  // The look at second after 10:00:00 (local time) of a day.
  void Look(int second) {
    const QDateTime ten(QDate(2026, 12, 6), QTime(10, 0));
    Notifier().Look(
        start_ + seconds(second),
        std::chrono::system_clock::time_point(std::chrono::milliseconds(ten.toMSecsSinceEpoch())) +
            seconds(second));
  }
  // Waits for the service to have had n calls, and a moment more to see that no others follow.
  void ExpectCalls(std::size_t n) {
    QTRY_COMPARE_WITH_TIMEOUT(Calls().size(), n, 3000);
    QTest::qWait(50);
    EXPECT_EQ(Calls().size(), n);
  }
  const std::vector<Call>& Calls() { return service_->calls; }

  void SetUp() override {
    QSettings(QStringLiteral("kelvran-eval"), QStringLiteral("kelvran-eval")).clear();
  }

  std::unique_ptr<FakeNotificationService> service_ = std::make_unique<FakeNotificationService>();
  const Clock::time_point start_ = Clock::now();
};

// Off (as a first run finds it) the program reads nothing of its own; on, the status registers
// are read once a second on the tabs whose cycle does not read them, and not at all on Visual
// Display, where the display's reads feed the notifications. The choice is remembered.
TEST_F(AlarmNotifierTest, OffReadsNothingOnReadsTheStatusOnlyWhereNothingElseDoes) {
  OpenChip(kChip);
  ASSERT_NE(NotifyAction(), nullptr);  // its text, a tick, off at first: e2e_alarms.py
  EXPECT_FALSE(NotifyAction()->isChecked());
  Mark();
  QTest::qWait(1300);
  EXPECT_EQ(SinceMark(), 0u);

  NotifyAction()->trigger();
  auto* timer = window_->findChild<QTimer*>(QStringLiteral("alarm_timer"));
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 1000);
  QTRY_VERIFY_WITH_TIMEOUT(SinceMark() > 0, 2500);
  EXPECT_THAT(TakeOps(), ElementsAre("R 41", "R 42"));
  timer->stop();
  Look(0);
  EXPECT_THAT(TakeOps(), ElementsAre("R 41", "R 42"));

  Find<QTabWidget>("Main_Form_Tab")->setCurrentIndex(2);
  QTRY_VERIFY(SinceMark() > 0);  // the display ticks
  Mark();
  Look(1);
  EXPECT_EQ(SinceMark(), 0u);
  EXPECT_THAT(Calls(), IsEmpty());

  // The next run starts with it on.
  OpenChip(kChip);
  EXPECT_TRUE(NotifyAction()->isChecked());
  EXPECT_TRUE(Notifier().enabled());
  NotifyAction()->trigger();
  OpenChip(kChip);
  EXPECT_FALSE(Notifier().enabled());
}

// One notification per channel, replaced in place while the alarm lasts and once more when it
// ends, never twice in ten seconds.
TEST_F(AlarmNotifierTest, AChannelsAlarmIsOneNotificationUpdatedInPlace) {
  OpenChip(kChip);
  TurnOn();
  Look(0);
  Chip().inputs().v12 = 13.0;
  Look(1);
  ExpectCalls(1);
  const Call raised = Calls()[0];
  EXPECT_EQ(raised.app, QStringLiteral("KELVRAN Evaluation Software"));
  EXPECT_EQ(raised.replaces, 0u);
  EXPECT_EQ(raised.summary, QStringLiteral("+12V above its limit"));
  EXPECT_EQ(raised.body, QStringLiteral("13.000 V (limits 11.500 to 12.625 V) at 10:00:01"));
  EXPECT_EQ(raised.urgency.metaType(), QMetaType::fromType<uchar>());
  EXPECT_EQ(raised.urgency.value<uchar>(), 1);
  EXPECT_EQ(raised.timeout, -1);

  // A new reading within the ten seconds waits; after them it replaces the first.
  Chip().inputs().v12 = 13.5;
  Look(5);
  ExpectCalls(1);
  Look(11);
  ExpectCalls(2);
  EXPECT_EQ(Calls()[1].replaces, raised.id);
  EXPECT_EQ(Calls()[1].summary, QStringLiteral("+12V above its limit"));
  EXPECT_EQ(Calls()[1].body,
            QStringLiteral("13.500 V (limits 11.500 to 12.625 V) at 10:00:11; in alarm since "
                           "10:00:01"));
  // The same reading again says nothing new.
  Look(22);
  ExpectCalls(2);

  // Back within its limits: the look after next sees nothing latched (the reading taken for the
  // last look's update latched once more).
  Chip().inputs().v12 = 12.0;
  Look(23);
  Look(24);
  ExpectCalls(2);
  Look(33);
  ExpectCalls(3);
  EXPECT_EQ(Calls()[2].replaces, raised.id);
  EXPECT_EQ(Calls()[2].summary, QStringLiteral("+12V back within its limits"));
  EXPECT_EQ(Calls()[2].body, QStringLiteral("12.000 V (limits 11.500 to 12.625 V) at 10:00:33; in "
                                            "alarm from 10:00:01 to 10:00:24"));
  EXPECT_EQ(Calls()[2].urgency.value<uchar>(), 1);
  EXPECT_THAT(boxes_.shown, IsEmpty());

  // The chassis opened interrupts the user, in a notification of its own. (A temperature trip's
  // critical one: the end-to-end alarm run, through a real daemon.)
  Chip().inputs().chassis_intrusion = true;
  Look(34);
  ExpectCalls(4);
  EXPECT_EQ(Calls()[3].summary, QStringLiteral("Chassis intrusion"));
  EXPECT_EQ(Calls()[3].replaces, 0u);
  EXPECT_NE(Calls()[3].id, raised.id);
  EXPECT_EQ(Calls()[3].urgency.value<uchar>(), 2);
}

// Without a notification service, or without a session bus, the user hears of it once on
// stderr; no box, and the window goes on.
TEST_F(AlarmNotifierTest, NoServiceIsOneLineOnStderrAndNoBox) {
  service_.reset();
  for (const bool bus : {true, false}) {
    SCOPED_TRACE(bus ? "a bus without the service" : "no bus");
    SetUp();
    OpenChip(kChip);
    QStringList warnings;
    Notifier().SetWarn([&warnings](const QString& text) { warnings << text; });
    if (!bus) Notifier().SetBus(QDBusConnection(QStringLiteral("never connected")));
    TurnOn();
    Chip().inputs().v12 = 13.0;
    Look(0);
    QTRY_COMPARE(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("desktop notifications are not available: ")))
        << warnings[0].toStdString();
    Chip().inputs().temp_ext1 = 100;
    Look(11);
    QTest::qWait(200);
    EXPECT_EQ(warnings.size(), 1);
    EXPECT_THAT(boxes_.shown, IsEmpty());
  }
}

}  // namespace

#include "alarm_notifier_test.moc"
