#include "Engine2Proxy.h"
#include "engine/Engine.h"
#include "engine/EngineAddress.h"
#include "engine/EngineService.h"
#include "engine/StatusWatch.h"
#include "fakes/FakeDnsServer.h"
#include "fakes/FakePlatform.h"
#include "fakes/SavedLoginFiles.h"
#include "fakes/ServedEngine.h"
#include "fakes/TestFiles.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

// What a client heard of the engine's interface: every PropertiesChanged and
// Event, as they came.
class Heard : public QObject
{
    Q_OBJECT

public:
    QList<QDBusMessage> messages;

    QVariantMap changedProperties() const
    {
        QVariantMap all;
        for (const QDBusMessage& message : messages)
            if (message.member() == QStringLiteral("PropertiesChanged"))
                all.insert(qdbus_cast<QVariantMap>(message.arguments().value(1)));
        return all;
    }

public slots:
    void take(const QDBusMessage& message) { messages << message; }
};

QString flatten(const QVariant& value);

// Every value a D-Bus argument holds, however nested, as one text.
QString flatten(const QDBusArgument& argument)
{
    QString text;
    switch (argument.currentType()) {
    case QDBusArgument::BasicType:
        return argument.asVariant().toString();
    case QDBusArgument::VariantType: {
        QDBusVariant inner;
        argument >> inner;
        return flatten(inner.variant());
    }
    case QDBusArgument::ArrayType:
        argument.beginArray();
        while (!argument.atEnd())
            text += flatten(argument) + u' ';
        argument.endArray();
        return text;
    case QDBusArgument::StructureType:
        argument.beginStructure();
        while (!argument.atEnd())
            text += flatten(argument) + u' ';
        argument.endStructure();
        return text;
    case QDBusArgument::MapType:
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            text += flatten(argument) + u'=';
            text += flatten(argument) + u' ';
            argument.endMapEntry();
        }
        argument.endMap();
        return text;
    default:
        return text;
    }
}

QString flatten(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<QDBusArgument>())
        return flatten(value.value<QDBusArgument>());
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        return flatten(value.value<QDBusVariant>().variant());
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(u' ');
    return value.toString();
}

QMap<QString, QByteArray> folderBytes(const QString& path)
{
    QMap<QString, QByteArray> bytes;
    for (const QString& name : QDir(path).entryList(QDir::Files))
        bytes.insert(name, readFile(QDir(path).filePath(name)));
    return bytes;
}

} // namespace

// The engine's interface on a bus of the test's own (dbus-daemon --session),
// through the proxy generated from its description, as a script would use it.
class TestEngineService : public QObject
{
    Q_OBJECT

    QProcess daemon;
    QString address;

    std::unique_ptr<Engine2Proxy> proxy()
    {
        return std::make_unique<Engine2Proxy>(EngineAddress::serviceName, EngineAddress::objectPath,
                                              QDBusConnection::connectToBus(address, QStringLiteral("client")));
    }

private slots:
    void initTestCase()
    {
        registerEngineRecords();
        daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(daemon.waitForReadyRead(10000), "dbus-daemon did not start");
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }

    void cleanup()
    {
        for (const char* name : {"engine", "client"})
            QDBusConnection::disconnectFromBus(QString::fromLatin1(name));
    }

    void cleanupTestCase()
    {
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    // A face takes event sources from the bus: only the few lines a log overwrites.
    void anEventsSourceNamesALineOfTheLog_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("line"); // -1: none
        QTest::newRow("primary") << "primary" << 0;
        QTest::newRow("account") << "account" << 2;
        QTest::newRow("a notice's fourth line") << "line-3" << 3;
        QTest::newRow("named, not numbered") << "line-1" << -1;
        QTest::newRow("far down") << "line-2000000000" << -1;
        QTest::newRow("no number") << "line-x" << -1;
        QTest::newRow("added, not overwritten") << "history" << -1;
    }

    void anEventsSourceNamesALineOfTheLog()
    {
        QFETCH(QString, source);
        QFETCH(int, line);
        QCOMPARE(logLineOfSource(source).value_or(-1), line);
        if (line >= 0)
            QCOMPARE(sourceOfLogLine(line), source);
    }

    // One refusal per method: the values each rule refuses are the rules' own table's.
    void aRefusedCallIsAnErrorAndWritesNothing_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QString>("error");
        const QString invalid = QStringLiteral("example.kelvane.Error.InvalidArgument");
        const QString longDomain = QString(1 << 20, u'a');
        QTest::newRow("empty login") << "LogIn" << QVariantList{"", ""} << invalid;
        QTest::newRow("empty password") << "SaveLogin" << QVariantList{"a.second.example", ""} << invalid;
        QTest::newRow("1 MB list entry") << "AddListEntry" << QVariantList{longDomain, "pw"} << invalid;
        QTest::newRow("not in the list") << "RemoveListEntry" << QVariantList{"nope.second.example"} << invalid;
        QTest::newRow("fixed address") << "SetFixedAddress" << QVariantList{true, "999.1.1.1"} << invalid;
        QTest::newRow("protocol") << "AddMapping"
                                  << QVariantList{"FOO", QVariant::fromValue(ushort(8081)), "192.0.2.10",
                                                  QVariant::fromValue(ushort(80))} << invalid;
        QTest::newRow("not stored") << "DeleteMapping" << QVariantList{"TCP", QVariant::fromValue(ushort(9999))}
                                    << invalid;
        QTest::newRow("list line") << "SetMappingLines"
                                   << QVariantList{QStringList{"0.0.0.0:8080  FOO  192.0.2.10:80"}} << invalid;
        // Nothing to delete from before a router answers.
        QTest::newRow("no router") << "WithdrawMappings" << QVariantList{} << "example.kelvane.Error.Failed";
    }

    void aRefusedCallIsAnErrorAndWritesNothing()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, arguments);
        QFETCH(QString, error);
        bool saved = false;
        ServedEngine published([&saved](ServedEngine& served) {
            saved = saveLoginFiles(served.fakes.keyStore, served.folder.path(), "demo.second.example", "secret");
            writeFile(served.folder.filePath("jilu.txt"), "0.0.0.0:8080  TCP  192.0.2.10:80\r\n");
            writeFile(served.folder.filePath("vkldomain.ini"), "b.second.example$$$********\r\n");
        });
        QVERIFY(saved);
        QVERIFY(published.publishOn(address));
        const auto before = folderBytes(published.folder.path());
        const int keyStoreWrites = published.fakes.keyStore.writes;

        const auto client = proxy();
        QDBusPendingCallWatcher call(client->asyncCallWithArgumentList(method, arguments));
        QTRY_VERIFY(call.isFinished());
        QVERIFY(call.isError());
        QCOMPARE(call.error().name(), error);
        QVERIFY(!call.error().message().isEmpty());
        QTest::qWait(50); // anything it set off would have run by now
        QCOMPARE(folderBytes(published.folder.path()), before);
        QCOMPARE(published.fakes.keyStore.writes, keyStoreWrites);
    }

    // A login that succeeds is announced as changed properties; neither they
    // nor the events ever carry the password, nor does the description.
    void changesAreAnnouncedWithoutThePassword()
    {
        FakeDnsServer designated(LoginExchange::designatedZonePort);
        FakeDnsServer secondary(LoginExchange::secondaryPort);
        designated.reply = "dengluok112demo.second.example&&&198.51.100.7&&&";
        ServedEngine published;
        QVERIFY(published.publishOn(address));
        const auto client = proxy();
        Heard heard;
        QDBusConnection bus = client->connection();
        QVERIFY(bus.connect(EngineAddress::serviceName, EngineAddress::objectPath, "org.freedesktop.DBus.Properties",
                            "PropertiesChanged", &heard, SLOT(take(QDBusMessage))));
        QVERIFY(bus.connect(EngineAddress::serviceName, EngineAddress::objectPath, EngineService::interfaceName, "Event",
                            &heard, SLOT(take(QDBusMessage))));

        QDBusPendingCallWatcher login(client->LogIn("demo.second.example", "s3cr3t-pw"));
        QTRY_VERIFY(login.isFinished());
        QVERIFY(!login.isError());
        QTRY_COMPARE_WITH_TIMEOUT(heard.changedProperties().value("PublishedAddress").toString(),
                                  QString("198.51.100.7"), 5000);
        const auto logins = qdbus_cast<LoginRecords>(heard.changedProperties().value("Logins"));
        QVERIFY(std::any_of(logins.begin(), logins.end(), [](const LoginRecord& record) {
            return record.server == "primary" && record.domain == "demo.second.example" &&
                   record.state == "registered" && record.lastSuccess > 0;
        }));

        QDBusPendingCallWatcher added(client->AddListEntry("other.second.example", "l1st-pw"));
        QTRY_VERIFY(added.isFinished());
        QTRY_COMPARE(heard.changedProperties().value("MultiUserDomains").toStringList(),
                     QStringList{"other.second.example"});

        const QDBusMessage description =
            bus.call(QDBusMessage::createMethodCall(EngineAddress::serviceName, EngineAddress::objectPath,
                                                    "org.freedesktop.DBus.Introspectable", "Introspect"),
                     QDBus::BlockWithGui);
        const QString xml = description.arguments().value(0).toString();
        const qsizetype start = xml.indexOf("<interface name=\"example.kelvane.Engine2\">");
        QVERIFY(start >= 0);
        const QString ours = xml.mid(start, xml.indexOf("</interface>", start) - start);
        QVERIFY(!ours.contains("<property name=\"Password\"", Qt::CaseInsensitive));
        for (const QDBusMessage& message : heard.messages)
            for (const QVariant& argument : message.arguments())
                for (const char* secret : {"s3cr3t-pw", "l1st-pw"})
                    QVERIFY2(!flatten(argument).contains(QString::fromLatin1(secret)), secret);
        QDBusPendingCallWatcher recent(client->RecentEvents(1000));
        QTRY_VERIFY(recent.isFinished());
        const EventRecords events = QDBusPendingReply<EventRecords>(recent).value();
        QVERIFY(!events.isEmpty());
        QVERIFY(events.size() <= EngineService::keptEvents);
    }

    void everyCallerOfARouterListingIsAnswered()
    {
        ServedEngine published;
        QVERIFY(published.publishOn(address));
        const auto client = proxy();
        QDBusPendingCallWatcher first(client->ListRouterMappings());
        QDBusPendingCallWatcher second(client->ListRouterMappings());
        QTRY_VERIFY_WITH_TIMEOUT(first.isFinished() && second.isFinished(), 10000);
        QVERIFY(!first.isError());
        QCOMPARE(QDBusPendingReply<QStringList>(second).value(), QDBusPendingReply<QStringList>(first).value());
    }
};

QTEST_GUILESS_MAIN(TestEngineService)
#include "TestEngineService.moc"
