#include "Engine2Proxy.h"
#include "daemon/EngineTenure.h"
#include "engine/EngineAddress.h"
#include "fakes/ServedEngine.h"

#include <QDBusConnection>
#include <QProcess>
#include <QTest>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

// How long an engine runs, on a bus of the test's own: one started for the
// desktop ends once no face has been attached for a while, or with its bus;
// a service's engine runs on.
class TestEngineTenure : public QObject
{
    Q_OBJECT

    std::unique_ptr<QProcess> daemon;
    QString address;

    void startBus()
    {
        daemon = std::make_unique<QProcess>();
        daemon->start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(daemon->waitForReadyRead(10000), "dbus-daemon did not start");
        address = QString::fromUtf8(daemon->readLine()).trimmed();
    }

private slots:
    void init() { startBus(); }

    void cleanup()
    {
        for (const char* name : {"engine", "face"})
            QDBusConnection::disconnectFromBus(name);
        daemon->terminate();
        daemon->waitForFinished(5000);
    }

    void theEngineOfADesktopEndsOnceItsFacesAreGone_data()
    {
        QTest::addColumn<bool>("forDesktop");
        QTest::newRow("started for the desktop") << true;
        QTest::newRow("the user's service") << false;
    }

    void theEngineOfADesktopEndsOnceItsFacesAreGone()
    {
        QFETCH(bool, forDesktop);
        ServedEngine served;
        FakeClock& clock = served.fakes.clock;
        EngineService& service = *served.service;
        QVERIFY(served.publishOn(address));
        int ends = 0;
        const EngineTenure tenure(service, clock, forDesktop, [&ends] { ++ends; }, [] { return false; });
        clock.takeOverTimers();

        // The face that started it is expected within the grace.
        clock.advance(10s);
        auto face = std::make_unique<Engine2Proxy>(EngineAddress::serviceName, EngineAddress::objectPath,
                                                   QDBusConnection::connectToBus(address, "face"));
        face->Attach();
        QTRY_COMPARE(service.faceCount(), 1);
        clock.advance(60s);
        QCOMPARE(ends, 0);
        // The face crashes: its name leaves the bus.
        face.reset();
        QDBusConnection::disconnectFromBus("face");
        QTRY_COMPARE(service.faceCount(), 0);
        clock.advance(std::chrono::milliseconds(EngineTenure::faceGraceMs - 1));
        QCOMPARE(ends, 0);
        clock.advance(1ms);
        QCOMPARE(ends, forDesktop ? 1 : 0);
    }

    // The bus goes away: an engine for the desktop ends, a service looks for a new one.
    void aLostBusEndsADesktopsEngineAndAServiceComesBack_data()
    {
        theEngineOfADesktopEndsOnceItsFacesAreGone_data();
    }

    void aLostBusEndsADesktopsEngineAndAServiceComesBack()
    {
        QFETCH(bool, forDesktop);
        ServedEngine served;
        FakeClock& clock = served.fakes.clock;
        EngineService& service = *served.service;
        QVERIFY(served.publishOn(address));
        int ends = 0;
        int reconnects = 0;
        const EngineTenure tenure(service, clock, forDesktop, [&ends] { ++ends; }, [&] {
            ++reconnects;
            return service.publishOn(QDBusConnection::connectToBus(address, "engine again"));
        });
        clock.takeOverTimers();
        Engine2Proxy face(EngineAddress::serviceName, EngineAddress::objectPath,
                          QDBusConnection::connectToBus(address, "face"));
        face.Attach();
        QTRY_COMPARE(service.faceCount(), 1);

        daemon->kill();
        daemon->waitForFinished(5000);
        QTRY_VERIFY(!service.published());
        startBus(); // a new bus, at a new address here
        clock.advance(std::chrono::milliseconds(EngineTenure::busCheckMs));
        QCOMPARE(ends, forDesktop ? 1 : 0);
        QCOMPARE(reconnects, forDesktop ? 0 : 1);
        QCOMPARE(service.published(), !forDesktop);
        QDBusConnection::disconnectFromBus("engine again");
    }
};

QTEST_GUILESS_MAIN(TestEngineTenure)
#include "TestEngineTenure.moc"
