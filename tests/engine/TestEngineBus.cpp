#include "desktop/BusKeeper.h"
#include "desktop/BusLogins.h"
#include "desktop/DesktopAttach.h"
#include "engine/Engine.h"
#include "engine/EngineAddress.h"
#include "engine/EngineBus.h"
#include "engine/StatusWatch.h"
#include "fakes/FakePlatform.h"
#include "fakes/TestFiles.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every signal of the interface that reaches a client, by name.
class SignalLog : public QObject
{
    Q_OBJECT

public:
    QStringList names;

public slots:
    void take(const QDBusMessage& message) { names << message.member(); }
};

} // namespace

// The engine on a bus of the test's own (dbus-daemon --session), used as a
// client would. The engine and its client share this thread: every call
// waits with the event loop running.
class TestEngineBus : public QObject
{
    Q_OBJECT

    QProcess daemon;
    QString address;

    static QDBusMessage call(const QDBusConnection& client, const QString& interface, const QString& method,
                             const QVariantList& arguments = {})
    {
        QDBusMessage message =
            QDBusMessage::createMethodCall(EngineAddress::serviceName, EngineAddress::objectPath, interface, method);
        message.setArguments(arguments);
        return client.call(message, QDBus::BlockWithGui, 10000);
    }
    static QVariant property(const QDBusConnection& client, const QString& name)
    {
        const QDBusMessage reply = call(client, QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("Get"), {EngineBus::interfaceName, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

private slots:
    void initTestCase()
    {
        daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(daemon.waitForReadyRead(10000), "dbus-daemon did not start");
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }

    // A connection keeps the names it took: each case starts with none on the bus.
    void cleanup()
    {
        for (const char* name : {"engine", "second", "client", "attached engine", "face"})
            QDBusConnection::disconnectFromBus(name);
    }

    void cleanupTestCase()
    {
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    void aClientSeesTheEngineAndDrivesIt()
    {
        QTemporaryDir folder;
        writeFile(folder.filePath("jilu.txt"), "0.0.0.0:8080  TCP  192.0.2.10:80\r\n");
        FakePlatform fakes{folder.path()};
        // The logins go to 127.0.0.1, where nobody answers.
        for (const char* server : {"main.second.example", "main2.second.example"})
            fakes.resolver.hosts.insert(QString::fromLatin1(server), {0x7f000001});
        Engine engine(fakes.platform(), QStringLiteral("Kelvane"), folder.path());
        StatusWatch status(engine, fakes.clock);
        QObject host;
        new EngineBus(&host, engine.loginsView, engine.keeperView, status, folder.path());
        QVERIFY(publishEngine(QDBusConnection::connectToBus(address, "engine"), host));
        QObject second;
        new EngineBus(&second, engine.loginsView, engine.keeperView, status, folder.path());
        QVERIFY(!publishEngine(QDBusConnection::connectToBus(address, "second"), second));

        QDBusConnection client = QDBusConnection::connectToBus(address, "client");
        const QString introspection =
            call(client, "org.freedesktop.DBus.Introspectable", "Introspect").arguments().value(0).toString();
        QVERIFY(introspection.contains("<interface name=\"example.kelvane.Engine1\">"));
        QVERIFY(!introspection.contains("Password"));
        QCOMPARE(property(client, "SettingsFolder").toString(), folder.path());
        QCOMPARE(property(client, "Mappings").toStringList(), engine.mappingKeeper.lines());
        QCOMPARE(property(client, "StatusText").toString(), status.text());

        SignalLog signalLog;
        for (const char* name : {"LogLineSet", "PortMappingLogged", "MappingsChanged", "StatusTextChanged"})
            QVERIFY(client.connect(EngineAddress::serviceName, EngineAddress::objectPath, EngineBus::interfaceName,
                                   name, &signalLog, SLOT(take(QDBusMessage))));
        const QString interface = EngineBus::interfaceName;

        call(client, interface, "LogIn", {"demo.second.example", "secret"});
        QTRY_VERIFY(signalLog.names.contains("StatusTextChanged")); // the login went out
        QCOMPARE(property(client, "LogLines").toStringList(), engine.logins.logLines());

        call(client, interface, "AddListEntry", {"other.second.example", "pw"});
        QVERIFY(engine.state.multiUserLines().join('\n').contains("other.second.example"));
        call(client, interface, "RemoveListEntry", {engine.state.multiUserLines().value(0)});
        QVERIFY(!engine.state.multiUserLines().join('\n').contains("other.second.example"));

        call(client, interface, "AddMapping", {"UDP", "5353", "192.0.2.10", "53"});
        QTRY_VERIFY(signalLog.names.contains("PortMappingLogged")); // no router: said in its log
        call(client, interface, "DeleteMapping", {"TCP", "8080", "192.0.2.10", "80"});
        QTRY_VERIFY(signalLog.names.contains("MappingsChanged"));
        QCOMPARE(property(client, "Mappings").toStringList(), QStringList());
        call(client, interface, "ReapplyMappings");
        const QDBusMessage listing = call(client, interface, "ListRouterMappings");
        QCOMPARE(listing.arguments().value(0).toStringList().size(), 1); // why there is no list
        QVERIFY(signalLog.names.contains("LogLineSet"));
    }

    // A face finds the engine (or has one started), mirrors it and drives it:
    // each action reaches the engine, each change of the engine the face.
    void aFaceAttachesMirrorsAndDrivesTheEngine()
    {
        QTemporaryDir folder;
        writeFile(folder.filePath("jilu.txt"), "0.0.0.0:8080  TCP  192.0.2.10:80\r\n");
        FakePlatform fakes{folder.path()};
        Engine engine(fakes.platform(), QStringLiteral("Kelvane"), folder.path());
        engine.logins.begin(); // as a service does at start
        StatusWatch status(engine, fakes.clock);
        QObject host;
        new EngineBus(&host, engine.loginsView, engine.keeperView, status, folder.path());
        const QDBusConnection engineBus = QDBusConnection::connectToBus(address, "attached engine");
        const QDBusConnection faceBus = QDBusConnection::connectToBus(address, "face");
        const auto attach = [&](const QString& settingsFolder,
                                std::function<bool()> start) -> std::unique_ptr<DesktopAttach> {
            auto attaching = std::make_unique<DesktopAttach>(
                faceBus, settingsFolder, std::move(start), false, LanguageCode::Jt, fakes.browser,
                [](const QString& domain) { return domain == "saved.second.example" ? "saved-pw" : QString(); });
            attaching->start();
            // The outcome is compared next.
            static_cast<void>(QTest::qWaitFor(
                [&] { return attaching->outcome() != DesktopAttach::Outcome::Pending; }, 15000));
            return attaching;
        };
        QCOMPARE(attach(folder.path(), [] { return false; })->outcome(), DesktopAttach::Outcome::NotStarted);
        // None runs: the one started comes on the bus a moment later, and the face owns it.
        const auto attaching = attach(folder.path(), [&] {
            QTimer::singleShot(200, [&] { publishEngine(engineBus, host); });
            return true;
        });
        QCOMPARE(attaching->outcome(), DesktopAttach::Outcome::Attached);
        QVERIFY(attaching->ownsEngine());
        QCOMPARE(attach(folder.path() + "/other", {})->outcome(), DesktopAttach::Outcome::OtherFolder);
        const std::unique_ptr<BusLogins> logins = attaching->takeLogins();
        const std::unique_ptr<BusKeeper> keeper = attaching->takeKeeper();
        QCOMPARE(logins->logLines(), engine.logins.logLines());
        QCOMPARE(keeper->lines(), engine.mappingKeeper.lines());
        QCOMPARE(logins->settingsFile("ggw.gif"), folder.filePath("ggw.gif"));

        // The actions.
        QSignalSpy echoes(logins.get(), &LoginsView::credentialsChanged);
        logins->setFormCredentials("a", "pw");
        logins->setFormCredentials("ab", "pw"); // the typing stays in the face
        QTest::qWait(50);
        QVERIFY(engine.logins.primary().domain() != QString("ab"));
        logins->setAutoLogin(true); // the save takes the form along
        QTRY_VERIFY(logins->autoLogin());
        QCOMPARE(engine.logins.primary().domain(), QString("ab"));
        QCOMPARE(engine.logins.primary().password(), QString("pw"));
        logins->setMultiUserOption(true);
        QTRY_VERIFY(logins->multiUserOn());
        logins->setResolveLocalOption(true);
        QTRY_VERIFY(logins->resolveLocalTicked());
        logins->setFixedAddressOption(QString("192.0.2.7"));
        QTRY_VERIFY(logins->fixedAddressOn());
        logins->setRunHiddenOption(true);
        logins->addListEntry("list.second.example", "pw");
        QTRY_VERIFY(logins->multiUserLines().join('\n').contains("list.second.example"));
        logins->setStatus("a status");
        QTRY_COMPARE(logins->status(), QString("a status"));
        QCOMPARE(echoes.count(), 0); // the face's own typing never came back to it
        logins->openPage("http://www.kelvane.example/");
        QCOMPARE(fakes.browser.opened, QStringList{"http://www.kelvane.example/"}); // this face's browser
        keeper->setLines({"0.0.0.0:9090  UDP  192.0.2.10:90"});
        QTRY_COMPARE(engine.mappingKeeper.lines(), keeper->lines());
        keeper->saveAddressCheckInterval("120");
        QTRY_VERIFY(engine.mappingKeeper.intervalLines().join(' ').contains("120"));
        keeper->setAddressCheck(true, "120");
        QTRY_VERIFY(engine.mappingKeeper.addressCheckTimer.isRunning());
        QStringList listing;
        keeper->listRouterMappings([&listing](const QStringList& lines) { listing = lines; });
        QTRY_COMPARE(listing.size(), 1); // no router: why there is no list

        // The engine's changes.
        QSignalSpy credentials(logins.get(), &LoginsView::credentialsChanged);
        const QStringList linesBefore = logins->logLines();
        QSignalSpy published(logins.get(), &LoginsView::publishedAddressChanged);
        QSignalSpy unanswered(logins.get(), &LoginsView::loginUnanswered);
        QSignalSpy refused(logins.get(), &LoginsView::domainRefused);
        QSignalSpy relogin(logins.get(), &LoginsView::reloginWanted);
        QSignalSpy status2(keeper.get(), &KeeperView::statusChanged);
        QSignalSpy client(keeper.get(), &KeeperView::internalClientChanged);
        QSignalSpy refusals(keeper.get(), &KeeperView::addRefused);
        QSignalSpy writes(keeper.get(), &KeeperView::fileWritten);
        engine.logins.logIn("other.second.example", "pw2");
        LoginSession& session = engine.logins.primary();
        emit session.publishedAddressChanged("198.51.100.1");
        emit session.unanswered("other.second.example");
        emit session.refused();
        emit engine.logins.checks().reloginWanted();
        emit engine.mappingKeeper.statusChanged();
        emit engine.mappingKeeper.internalClientChanged("192.0.2.11");
        emit engine.mappingKeeper.addRefused("refused");
        emit engine.mappingKeeper.fileWritten("jilu.txt", WriteResult::failure("disk full"));
        QTRY_COMPARE(writes.count(), 1);
        // The engine tells the domain alone; a password the face's files do not
        // keep stays as the user typed it, one they keep is taken from them.
        QCOMPARE(credentials.value(0), (QVariantList{"other.second.example", "pw"}));
        engine.logins.logIn("saved.second.example", "pw3");
        QTRY_COMPARE(credentials.count(), 2);
        QCOMPARE(credentials.value(1), (QVariantList{"saved.second.example", "saved-pw"}));
        QVERIFY(logins->logLines() != linesBefore);
        QCOMPARE(logins->logLines(), engine.logins.logLines());
        QCOMPARE(logins->publishedAddress(), QString("198.51.100.1"));
        QCOMPARE(unanswered.count(), 1);
        QCOMPARE(refused.value(0).value(0).toString(), QString("other.second.example"));
        QCOMPARE(relogin.count(), 1);
        QCOMPARE(status2.count(), 1);
        QCOMPARE(keeper->internalClient(), QString("192.0.2.11"));
        QCOMPARE(refusals.count(), 1);
        QCOMPARE(writes.value(0).value(1).value<WriteResult>().error, QString("disk full"));
    }
};

QTEST_GUILESS_MAIN(TestEngineBus)
#include "TestEngineBus.moc"
