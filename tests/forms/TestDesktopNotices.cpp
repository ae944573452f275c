#include "WindowFixture.h"

#include "engine/Engine.h"
#include "fakes/FakeNotificationServer.h"
#include "fakes/ServedModel.h"
#include "forms/DesktopNotices.h"
#include "messages/Messages.h"
#include "registration/LoginExchange.h"
#include "ui/NoticeRate.h"

#include <QMenu>
#include <QProcess>

#include <utility>

// The desktop's notification centre, when one is on the session bus (here a
// bus of the test's own), else the tray's balloon.
class TestDesktopNotices : public QObject
{
    Q_OBJECT

    QProcess daemon;
    QString address;

    // One notice of each kind, the held port among them; their texts.
    static QStringList tellEachKind(Engine& all, const char* newAddress)
    {
        LoginSession& session = all.logins.primary();
        session.setCredentials("a.example", "pw");
        const QString held = Messages::portHeldByOther(LanguageCode::Jt, 8080, "TCP", "192.0.2.9", "nas");
        emit session.loginSent();
        emit session.unanswered("a.example");
        emit session.loginSent();
        emit session.replied({}, LoginExchange::ReplyKind::NotRegistered, {});
        emit all.mappingKeeper.addRefused(held);
        emit session.replied({}, LoginExchange::ReplyKind::Success, QString::fromLatin1(newAddress));
        return {Messages::noAnswer(LanguageCode::Jt, "a.example"),
                Messages::domainRefusedNotice(LanguageCode::Jt, "a.example"), held,
                Messages::addressChangedNotice(LanguageCode::Jt, "a.example", newAddress)};
    }

private slots:
    void initTestCase()
    {
        daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(daemon.waitForReadyRead(10000), "dbus-daemon did not start");
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }

    void cleanup()
    {
        for (const char* name : {"desktop", "face"})
            QDBusConnection::disconnectFromBus(name);
    }

    void cleanupTestCase()
    {
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    void theRateCountsOnlyNoticesShown()
    {
        const QDateTime now = FakeClock().now();
        NoticeRate rate;
        QVERIFY(rate.allows(1, now)); // asked but not shown: no count
        rate.shown(1, now);
        QVERIFY(!rate.allows(1, now.addSecs(10 * 60 - 1)) && rate.allows(2, now)); // kinds apart
        QVERIFY(rate.allows(1, now.addSecs(10 * 60)));
        QVERIFY(rate.allows(1, now.addSecs(-3600))); // a clock set back counts as time passed
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
        QMenu menu;
        FakeNotificationServer desktop;
        if (server)
            QVERIFY(desktop.serveOn(QDBusConnection::connectToBus(address, "desktop")));
        QStringList balloon;
        int asked = 0; // of the balloon
        DesktopNotices notices(
            f.fakes.platform(), "Kelvane", served.model, menu,
            [&](const QString& caption, const QString& text) {
                ++asked;
                if (icon)
                    balloon << caption + '|' + text;
                return icon;
            },
            QDBusConnection::connectToBus(address, "face"));
        emit all.logins.primary().replied({}, LoginExchange::ReplyKind::Success, "1.1.1.1"); // no change

        const QStringList first = tellEachKind(all, "2.2.2.2");
        QStringList shown;
        for (const QString& text : first)
            shown << (server ? "Kelvane|kelvane|Kelvane|" : "Kelvane|") + text;
        QTRY_COMPARE(server ? desktop.notices.size() : asked, 4);
        QCOMPARE(server ? desktop.notices : balloon, shown.mid(0, server || icon ? 4 : 0));
        QCOMPARE(asked, server ? 0 : 4);

        // Within ten minutes: only what was never shown.
        const bool iconAtFirst = std::exchange(icon, true);
        const QStringList second = tellEachKind(all, "3.3.3.3");
        QTRY_COMPARE(desktop.notices.size() + balloon.size(), 4);
        QTest::qWait(200); // for any notice too many
        QCOMPARE(desktop.notices.size() + balloon.size(), 4);
        QCOMPARE(balloon.value(3), !server ? "Kelvane|" + (iconAtFirst ? first : second).last() : QString());
    }

    void theEntryTurnsThemOffAndIsKept()
    {
        WindowFixture f;
        Engine all(f.fakes.platform(), f.shell.title, f.folder.path());
        ServedModel served(all, f.fakes.platform());
        QMenu menu;
        int told = 0;
        DesktopNotices notices(
            f.fakes.platform(), "Kelvane", served.model, menu,
            [&told](const QString&, const QString&) { return ++told; },
            QDBusConnection::connectToBus(address, "face"));
        menu.findChild<QAction*>("N3")->trigger();
        QCOMPARE(f.fakes.keyStore.value(DesktopNotices::storedName), QString("0"));
        tellEachKind(all, "2.2.2.2");
        QTest::qWait(200);
        QCOMPARE(told, 0);
    }
};

QTEST_MAIN(TestDesktopNotices)
#include "TestDesktopNotices.moc"
