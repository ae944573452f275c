#include "app/Engine.h"
#include "app/EngineBus.h"
#include "app/StatusWatch.h"
#include "fakes/FakePlatform.h"
#include "fakes/TestFiles.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QProcess>
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
            QDBusMessage::createMethodCall(EngineBus::serviceName, EngineBus::objectPath, interface, method);
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
        StatusWatch status(engine, folder.filePath("status"));
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
        QCOMPARE(property(client, "SettingsFolder").toString(), folder.path());
        QCOMPARE(property(client, "Mappings").toStringList(), engine.mappingKeeper.lines());
        QCOMPARE(property(client, "StatusText").toString(), status.text());

        SignalLog signalLog;
        for (const char* name : {"LogLineSet", "PortMappingLogged", "MappingsChanged", "StatusTextChanged"})
            QVERIFY(client.connect(EngineBus::serviceName, EngineBus::objectPath, EngineBus::interfaceName,
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
};

QTEST_GUILESS_MAIN(TestEngineBus)
#include "TestEngineBus.moc"
