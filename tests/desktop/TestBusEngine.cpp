#include "desktop/BusEngine.h"
#include "desktop/DesktopAttach.h"
#include "engine/Engine.h"
#include "engine/EngineAddress.h"
#include "engine/EngineService.h"
#include "engine/StatusWatch.h"
#include "fakes/ServedEngine.h"
#include "fakes/TestFiles.h"
#include "messages/FaceMessages.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// An engine with one stored mapping.
void storeAMapping(ServedEngine& served)
{
    writeFile(served.folder.filePath("jilu.txt"), "0.0.0.0:8080  TCP  192.0.2.10:80\r\n");
}

} // namespace

// A face finds the engine on a bus of the test's own (dbus-daemon --session),
// or has one started, and sees it through the model its windows show; the
// engine and the face share this thread, so every wait runs the event loop.
class TestBusEngine : public QObject
{
    Q_OBJECT

    QProcess daemon;
    QString address;

    std::unique_ptr<DesktopAttach> attach(const QString& folder, std::function<bool()> start)
    {
        auto attaching = std::make_unique<DesktopAttach>(QDBusConnection::connectToBus(address, "face"), folder,
                                                         std::move(start));
        attaching->start();
        // The outcome is compared next.
        static_cast<void>(
            QTest::qWaitFor([&] { return attaching->outcome() != DesktopAttach::Outcome::Pending; }, 15000));
        return attaching;
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
        for (const char* name : {"engine", "second", "face", "stranger"})
            QDBusConnection::disconnectFromBus(name);
    }

    void cleanupTestCase()
    {
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    void aFaceAttachesFollowsAndDrivesTheEngine()
    {
        ServedEngine served(storeAMapping);
        EngineService& service = *served.service;
        Engine& engine = *served.engine;
        const QString folder = served.folder.path();
        QCOMPARE(attach(folder, [] { return false; })->outcome(), DesktopAttach::Outcome::NotStarted);
        // None runs: the one started comes on the bus a moment later, and the face owns it.
        const auto attaching = attach(folder, [&] {
            QTimer::singleShot(200, [&] { service.publishOn(QDBusConnection::connectToBus(address, "engine")); });
            return true;
        });
        QCOMPARE(attaching->outcome(), DesktopAttach::Outcome::Attached);
        QVERIFY(attaching->startedEngine());
        EngineService second(engine, *served.status, served.fakes.platform(), folder);
        QVERIFY(!second.publishOn(QDBusConnection::connectToBus(address, "second"))); // the name is taken
        QCOMPARE(attach(folder + "/other", {})->outcome(), DesktopAttach::Outcome::OtherFolder);
        const std::unique_ptr<BusEngine> face = attaching->takeEngine();

        // The snapshot: every property as typed as the engine's own, and the events.
        const QVariantMap properties = service.properties();
        for (auto property = properties.begin(); property != properties.end(); ++property)
            QCOMPARE(face->model.value(property.key().toLatin1().constData()), property.value());
        QCOMPARE(face->model.events(), service.RecentEvents(EngineModel::keptEvents));

        EngineActions& actions = face->actions();
        actions.typeCredentials("typed.second.example", "pw");
        QTest::qWait(50);
        QVERIFY(engine.logins.primary().domain() != QString("typed.second.example")); // the typing stays here
        actions.saveLogin("ab.second.example", "pw");
        QTRY_VERIFY(face->model.valueAs<bool>("AutoLogin"));
        QCOMPARE(face->model.valueAs<QString>("Domain"), QString("ab.second.example"));
        QCOMPARE(engine.logins.primary().password(), QString("pw"));
        actions.setMultiUser(true);
        QTRY_VERIFY(face->model.valueAs<bool>("MultiUser"));
        actions.setFixedAddress(true, "192.0.2.7");
        QTRY_COMPARE(face->model.valueAs<QString>("FixedAddress"), QString("192.0.2.7"));
        actions.addListEntry("list.second.example", "pw");
        QTRY_COMPARE(face->model.valueAs<QStringList>("MultiUserDomains"), QStringList{"list.second.example"});
        actions.setMappingLines({"0.0.0.0:9090  UDP  192.0.2.10:90"});
        QTRY_COMPARE(face->model.valueAs<QStringList>("MappingLines"), QStringList{"0.0.0.0:9090  UDP  192.0.2.10:90"});
        QCOMPARE(engine.mappingKeeper.lines(), face->model.valueAs<QStringList>("MappingLines"));
        actions.setAddressCheck(true, 120);
        QTRY_VERIFY(face->model.valueAs<bool>("AddressCheck"));
        QStringList listing;
        actions.listRouterMappings([&listing](const QStringList& lines) { listing = lines; });
        QTRY_COMPARE(listing.size(), 1); // no router: why there is no list

        // The engine's own changes, typed, and its events as they happen.
        engine.logins.logIn("other.second.example", "pw2");
        QTRY_COMPARE(face->model.valueAs<QString>("Domain"), QString("other.second.example"));
        QTRY_VERIFY(!face->model.valueAs<LoginRecords>("Logins").isEmpty());
        QCOMPARE(face->model.valueAs<LoginRecords>("Logins"), service.logins());
        QTRY_COMPARE(face->model.events().last(), service.RecentEvents(1).value(0));
    }

    // The engine's name passes to another program: what it sends of the wrong
    // type is dropped, and the face keeps what it knew.
    void whatAnotherOwnerSendsIsCheckedAndTheFaceStands()
    {
        ServedEngine served(storeAMapping);
        const auto attaching = attach(served.folder.path(), [&] {
            served.service->publishOn(QDBusConnection::connectToBus(address, "engine"));
            return true;
        });
        QCOMPARE(attaching->outcome(), DesktopAttach::Outcome::Attached);
        const std::unique_ptr<BusEngine> face = attaching->takeEngine();
        const LoginRecords logins = face->model.valueAs<LoginRecords>("Logins");
        served.service.reset(); // it held the connection, and with it the name
        QDBusConnection::disconnectFromBus("engine");
        QDBusConnection stranger = QDBusConnection::connectToBus(address, "stranger");
        QTRY_VERIFY(stranger.registerService(EngineAddress::serviceName)); // once the bus saw the engine go
        QDBusMessage forged = QDBusMessage::createSignal(EngineAddress::objectPath, "org.freedesktop.DBus.Properties",
                                                         "PropertiesChanged");
        forged << EngineService::interfaceName
               << QVariantMap{{"Logins", QString("not records")},
                              {"Mappings", QVariant::fromValue(QDBusVariant(42))},
                              {"Unknown", 1},
                              {"PublishedAddress", QString("203.0.113.9")}};
        forged << QStringList();
        QVERIFY(stranger.send(forged));
        QTRY_COMPARE(face->model.valueAs<QString>("PublishedAddress"), QString("203.0.113.9"));
        QCOMPARE(face->model.valueAs<LoginRecords>("Logins"), logins);
        face->actions().reapplyMappings(); // nobody answers it: nothing waits
        face->actions().endSession();
    }

    // The engine goes and another comes: one started for the desktop is the
    // face's to start again; the user's service stays stopped till asked.
    void anEngineThatGoesAndComesBackIsAttachedAgainInPlace_data()
    {
        QTest::addColumn<bool>("forDesktop");
        QTest::newRow("started for the desktop") << true;
        QTest::newRow("the user's service") << false;
    }

    void anEngineThatGoesAndComesBackIsAttachedAgainInPlace()
    {
        QFETCH(bool, forDesktop);
        ServedEngine served(storeAMapping);
        served.service->setForDesktop(forDesktop);
        const auto attaching = attach(served.folder.path(), [&] {
            return served.service->publishOn(QDBusConnection::connectToBus(address, "engine"));
        });
        QCOMPARE(attaching->outcome(), DesktopAttach::Outcome::Attached);
        const std::unique_ptr<BusEngine> face = attaching->takeEngine();
        int starts = 0;
        face->stayAttached(served.folder.path(), LanguageCode::Jt, [&starts] { return ++starts > 0; });
        QTRY_COMPARE(served.service->faceCount(), 1);
        const auto lastStatus = [&] { return face->model.events().last().text; };

        served.service.reset();
        QDBusConnection::disconnectFromBus("engine");
        if (forDesktop) {
            QTRY_COMPARE(starts, 1);
            QCOMPARE(lastStatus(), Messages::Face::engineRestarting(LanguageCode::Jt));
        } else {
            QTRY_VERIFY(face->serviceStopped());
            QCOMPARE(lastStatus(), Messages::Face::serviceStopped(LanguageCode::Jt));
            QCOMPARE(starts, 0);
        }
        face->actions().setMultiUser(true); // no engine: it goes nowhere

        served.service = std::make_unique<EngineService>(*served.engine, *served.status, served.fakes.platform(),
                                                         served.folder.path());
        QVERIFY(served.service->publishOn(QDBusConnection::connectToBus(address, "engine")));
        QTRY_COMPARE(lastStatus(), Messages::Face::attachedAgain(LanguageCode::Jt));
        QVERIFY(!face->serviceStopped());
        QTRY_COMPARE(served.service->faceCount(), 1);
        face->actions().setMultiUser(true);
        QTRY_VERIFY(face->model.valueAs<bool>("MultiUser"));
    }

    // The session bus is restarted: the face connects to the new one and
    // finds the engine there again.
    void aRestartedBusIsFoundAgain()
    {
        QTemporaryDir runtime;
        const QString busAddress = "unix:path=" + runtime.filePath("bus");
        const auto startBus = [&](QProcess& bus) {
            bus.start("dbus-daemon", {"--session", "--nofork", "--address=" + busAddress});
            return QTest::qWaitFor([&] { return QFile::exists(runtime.filePath("bus")); }, 10000);
        };
        QProcess firstBus;
        QVERIFY(startBus(firstBus));
        qputenv("DBUS_SESSION_BUS_ADDRESS", busAddress.toUtf8());
        ServedEngine served(storeAMapping);
        QVERIFY(served.service->publishOn(QDBusConnection::connectToBus(busAddress, "engine")));
        DesktopAttach attaching(QDBusConnection::connectToBus(busAddress, "face on the first bus"),
                                served.folder.path(), {});
        attaching.start();
        QTRY_COMPARE(attaching.outcome(), DesktopAttach::Outcome::Attached);
        const std::unique_ptr<BusEngine> face = attaching.takeEngine();
        face->stayAttached(served.folder.path(), LanguageCode::Jt, [] { return false; });
        const auto lastStatus = [&] { return face->model.events().last().text; };

        QElapsedTimer since;
        since.start();
        firstBus.kill();
        firstBus.waitForFinished(5000);
        QFile::remove(runtime.filePath("bus"));
        QTRY_COMPARE_WITH_TIMEOUT(lastStatus(), Messages::Face::busLost(LanguageCode::Jt), 10000);
        qInfo("the lost bus said %lld ms after it went", since.restart());
        QProcess secondBus;
        QVERIFY(startBus(secondBus));
        served.service = std::make_unique<EngineService>(*served.engine, *served.status, served.fakes.platform(),
                                                         served.folder.path());
        QVERIFY(served.service->publishOn(QDBusConnection::connectToBus(busAddress, "engine on the second bus")));
        QTRY_COMPARE_WITH_TIMEOUT(lastStatus(), Messages::Face::attachedAgain(LanguageCode::Jt), 10000);
        qInfo("attached again %lld ms after the new bus came", since.elapsed());
        QTRY_COMPARE(served.service->faceCount(), 1);
        served.service.reset();
        for (const char* name : {"engine", "face on the first bus", "engine on the second bus", "kelvane-face"})
            QDBusConnection::disconnectFromBus(name);
        secondBus.terminate();
        secondBus.waitForFinished(5000);
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
};

QTEST_GUILESS_MAIN(TestBusEngine)
#include "TestBusEngine.moc"
