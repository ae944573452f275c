#include "daemon/CommandLine.h"

#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("detail"); // the domain, "on"/"off", or "headless"
        using A = CommandLine::Action;
        QTest::newRow("none") << QStringList{} << int(A::Run) << "";
        QTest::newRow("headless") << QStringList{"--headless"} << int(A::Run) << "headless";
        QTest::newRow("for the desktop") << QStringList{"--for-desktop"} << int(A::Run) << "headless";
        QTest::newRow("help") << QStringList{"-h"} << int(A::Help) << "";
        QTest::newRow("version") << QStringList{"--version"} << int(A::Version) << "";
        QTest::newRow("autostart on") << QStringList{"--autostart", "on"} << int(A::Autostart) << "on";
        QTest::newRow("autostart=off") << QStringList{"--autostart=off"} << int(A::Autostart) << "off";
        QTest::newRow("autostart maybe") << QStringList{"--autostart", "maybe"} << int(A::UsageError) << "";
        QTest::newRow("save-login") << QStringList{"--save-login", "a.example"} << int(A::SaveLogin)
                                    << "a.example";
        QTest::newRow("save-login bare") << QStringList{"--save-login"} << int(A::UsageError) << "";
        QTest::newRow("status") << QStringList{"--status"} << int(A::Status) << "";
        QTest::newRow("status as JSON") << QStringList{"--status", "--json"} << int(A::Status) << "json";
        QTest::newRow("JSON alone") << QStringList{"--json"} << int(A::UsageError) << "";
        QTest::newRow("router mappings") << QStringList{"--router-mappings"} << int(A::RouterMappings) << "";
        QTest::newRow("delete mappings") << QStringList{"--delete-mappings"} << int(A::DeleteMappings) << "";
        QTest::newRow("unknown") << QStringList{"--bogus"} << int(A::UsageError) << "";
        QTest::newRow("stray argument") << QStringList{"extra"} << int(A::UsageError) << "";
    }

    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, detail);
        const CommandLine line = parseCommandLine(QStringList{"kelvane"} + arguments);
        QCOMPARE(int(line.action), action);
        if (line.action == CommandLine::Action::UsageError)
            QVERIFY(!line.error.isEmpty());
        if (line.action == CommandLine::Action::SaveLogin)
            QCOMPARE(line.domain, detail);
        if (line.action == CommandLine::Action::Autostart)
            QCOMPARE(line.autostartOn, detail == "on");
        QCOMPARE(line.headless, detail == "headless");
        QCOMPARE(line.statusJson, detail == "json");
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
