#include "WindowFixture.h"

#include "engine/Engine.h"
#include "fakes/ServedModel.h"
#include "forms/DesktopNotices.h"
#include "messages/Messages.h"
#include "registration/LoginExchange.h"
#include "ui/NoticeRate.h"

#include <QMenu>
#include <QProcess>

// A desktop's notification centre, on a bus of the test's own.
class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList notices;

public slots:
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        notices << QStringList{app, icon, summary, body}.join(u'|');
        return 1;
    }
};

class TestDesktopNotices : public QObject
{
    Q_OBJECT

    QProcess daemon;

    // One notice of each kind, a port another host holds among them; their texts.
    static QStringList tellEachKind(Engine& all, const QString& newAddress)
    {
        LoginSession& session = all.logins.primary();
        const QString held = Messages::portHeldByOther(LanguageCode::Jt, 8080, "TCP", "192.0.2.9", "nas");
        emit session.loginSent();
        emit session.unanswered("a.example");
        emit session.loginSent();
        emit session.replied({}, LoginExchange::ReplyKind::NotRegistered, {});
        emit all.mappingKeeper.addRefused(held);
        emit session.replied({}, LoginExchange::ReplyKind::Success, newAddress);
        return {Messages::noAnswer(LanguageCode::Jt, "a.example"),
                Messages::domainRefusedNotice(LanguageCode::Jt, "a.example"), held,
                Messages::addressChangedNotice(LanguageCode::Jt, "a.example", newAddress)};
    }

private slots:
    void initTestCase()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(daemon.waitForReadyRead(10000));
        qputenv("DBUS_SESSION_BUS_ADDRESS", daemon.readLine().trimmed());
    }

    void cleanupTestCase()
    {
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    void eachKindIsShownOnceWhereTheDesktopCan_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<bool>("icon");
        QTest::newRow("the notification centre, never the balloon") << true << true;
        QTest::newRow("the notification centre without a tray icon") << true << false;
        QTest::newRow("the balloon without a notification centre") << false << true;
        QTest::newRow("nowhere: not counted, shown once the icon is back") << false << false;
    }

    void eachKindIsShownOnceWhereTheDesktopCan()
    {
        QFETCH(bool, server);
        QFETCH(bool, icon);
        WindowFixture f;
        Engine all(f.fakes.platform(), f.shell.title, f.folder.path());
        ServedModel served(all, f.fakes.platform());
        all.logins.primary().setCredentials("a.example", "pw");
        QMenu menu;
        FakeNotificationServer desktop;
        QDBusConnection bus = QDBusConnection::connectToBus(qgetenv("DBUS_SESSION_BUS_ADDRESS"), "desktop");
        QVERIFY(!server || (bus.registerObject("/org/freedesktop/Notifications", &desktop,
                                               QDBusConnection::ExportAllSlots) &&
                            bus.registerService("org.freedesktop.Notifications")));
        QStringList balloon;
        int asked = 0;
        DesktopNotices notices(f.fakes.platform(), "Kelvane", served.model, menu,
                               [&](const QString& caption, const QString& text) {
                                   if (++asked && icon)
                                       balloon << caption + '|' + text;
                                   return icon;
                               });
        emit all.logins.primary().replied({}, LoginExchange::ReplyKind::Success, "1.1.1.1"); // no change
        const QStringList first = tellEachKind(all, "2.2.2.2");
        QTRY_COMPARE(server ? desktop.notices.size() : asked, 4);
        QCOMPARE(asked, server ? 0 : 4);
        if (server)
            QCOMPARE(desktop.notices.last(), "Kelvane|kelvane|Kelvane|" + first.last());

        // Within ten minutes only what was never shown, and the entry turns them off.
        const bool shownFirst = server || std::exchange(icon, true);
        const QStringList second = tellEachKind(all, "3.3.3.3");
        QTRY_COMPARE(desktop.notices.size() + balloon.size(), 4);
        QCOMPARE(balloon.value(3), server ? QString() : "Kelvane|" + (shownFirst ? first : second).last());
        menu.findChild<QAction*>("N3")->trigger();
        QCOMPARE(f.fakes.keyStore.value(DesktopNotices::storedName), QString("0"));
        f.fakes.clock.time = f.fakes.clock.time.addSecs(601);
        tellEachKind(all, "4.4.4.4");
        QTest::qWait(200); // for any notice too many
        QCOMPARE(desktop.notices.size() + balloon.size(), 4);
        QDBusConnection::disconnectFromBus("desktop");
    }

    void theRateCountsOnlyNoticesShown()
    {
        const QDateTime now = FakeClock().now();
        NoticeRate rate;
        QVERIFY(rate.allows(1, now));
        rate.shown(1, now);
        QVERIFY(!rate.allows(1, now.addSecs(10 * 60 - 1)) && rate.allows(2, now)); // kinds apart
        QVERIFY(rate.allows(1, now.addSecs(10 * 60)));
        QVERIFY(rate.allows(1, now.addSecs(-3600))); // a clock set back counts as time passed
    }
};

QTEST_MAIN(TestDesktopNotices)
#include "TestDesktopNotices.moc"
