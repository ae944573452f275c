// Runs inside the LAN namespace of tests/gateway/igd-lab.sh (through
// run-real-gateway-test.sh): TAutoNAT against a real miniupnpd.

#include "LabNamespace.h"
#include "fakes/FakePlatform.h"
#include "fakes/TestFiles.h"
#include "forms/AppShell.h"
#include "forms/TForm111.h"
#include "platform/ThreadedHostResolver.h"
#include "portmap/uAutoNAT.h"
#include "registration/Session.h"

#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>

namespace {

const QString RouterIp = QStringLiteral("192.168.77.1");
const QString ClientIp = QStringLiteral("192.168.77.10");
const QString ExternalIp = QStringLiteral("11.22.33.2");
constexpr int RouterPort = 5000;
constexpr int MappedPort = 8080;

// `upnpc -l` run here, in the same namespace: the daemon's own list.
QString listedMappings()
{
    QProcess upnpc;
    upnpc.setProcessChannelMode(QProcess::MergedChannels);
    upnpc.start(QStringLiteral("upnpc"), {QStringLiteral("-l")});
    if (!upnpc.waitForFinished(30000)) {
        upnpc.kill();
        upnpc.waitForFinished(5000);
        return QStringLiteral("upnpc -l did not finish");
    }
    return QString::fromLocal8Bit(upnpc.readAll());
}

QByteArray description()
{
    QTcpSocket socket;
    socket.connectToHost(RouterIp, RouterPort);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("GET /rootDesc.xml HTTP/1.0\r\n\r\n");
    QByteArray answer;
    while (answer.size() < 1024 * 1024 && socket.waitForReadyRead(5000))
        answer += socket.readAll();
    return answer;
}

} // namespace

class RealGatewayCheck : public QObject
{
    Q_OBJECT

private:
    ThreadedHostResolver m_resolver;
    FakeMessageBoxes m_messageBoxes;
    QList<std::pair<bool, TAutoNAT::TaskType>> m_events;

    bool runTask(TAutoNAT& nat, const std::function<bool()>& start)
    {
        const qsizetype before = m_events.size();
        if (!start())
            return false;
        if (!QTest::qWaitFor([&] { return m_events.size() > before; }, 15000))
            return false;
        return m_events.size() == before + 1 && m_events.last() == std::pair(true, nat.task());
    }

private slots:
    void initTestCase()
    {
        QString why;
        if (!insideLabNamespace(&why))
            QFAIL(qPrintable("refusing to search for gateways: " + why));
    }

    void labServesTheRequestedDescription()
    {
        const QByteArray version = qgetenv("KELVANE_IGD_VERSION");
        QVERIFY(description().contains("urn:schemas-upnp-org:device:InternetGatewayDevice:" + version +
                                       "</deviceType>"));
    }

    void discoverReadMapAndUnmap()
    {
        TAutoNAT nat(m_resolver, m_messageBoxes);
        nat.OnTaskSuccess = [this](TAutoNAT* sender) { m_events.append({true, sender->task()}); };
        nat.OnTaskFail = [this](TAutoNAT* sender) { m_events.append({false, sender->task()}); };

        QVERIFY(runTask(nat, [&] { return nat.FindDevice(); }));
        QCOMPARE(nat.RouterIp(), RouterIp);
        QCOMPARE(nat.RouterPort(), RouterPort);
        QCOMPARE(nat.RouterURL(), QString("/rootDesc.xml"));
        QVERIFY(nat.RouterName().contains("MiniUPnPd"));

        QVERIFY(runTask(nat, [&] { return nat.GetControlPage(); }));
        QCOMPARE(nat.ControlURL(), QString("http://192.168.77.1:5000/ctl/IPConn"));
        QCOMPARE(nat.IPPPP(), QString("WANIPConnection"));
        QCOMPARE(nat.lcm(), RouterIp);
        QCOMPARE(nat.lcm2(), RouterPort);

        QVERIFY(runTask(nat, [&] { return nat.GetExternalIp(); }));
        QCOMPARE(nat.ExternalIp(), ExternalIp);

        const QRegularExpression mapping(
            QStringLiteral("TCP +%1->%2:80 +'TestUDP'").arg(MappedPort).arg(ClientIp));
        QVERIFY(!listedMappings().contains(mapping));
        QVERIFY(runTask(nat, [&] { return nat.AddPort("TestUDP", MappedPort, ClientIp, 80, "TCP"); }));
        const QString listed = listedMappings();
        QVERIFY2(listed.contains(mapping), qPrintable(listed));

        QVERIFY(runTask(nat, [&] { return nat.DeletePort(MappedPort, "TCP"); }));
        const QString after = listedMappings();
        QVERIFY2(!after.contains(mapping), qPrintable(after));
        QVERIFY(m_messageBoxes.shown.isEmpty());
    }

    // The whole window, timers and all, as the program runs it at start-up.
    void windowReappliesItsStoredList()
    {
        QTemporaryDir folder;
        const QString savedCurrent = QDir::currentPath();
        QDir::setCurrent(folder.path());
        const QByteArray stored(
            "0.0.0.0:8081  TCP  192.168.77.10:81\r\n0.0.0.0:5353  UDP  192.168.77.10:53\r\n");
        QVERIFY(writeFile(folder.filePath("jilu.txt"), stored));
        FakePlatform fakes(folder.path());
        fakes.localAddress.address = ClientIp;
        fakes.gatewaySearch = GatewaySearchAim::multicast();
        AppShell shell;
        Session session;
        TForm111 form(fakes.platformWith(m_resolver), shell, session);

        QVERIFY(QTest::qWaitFor([&] { return form.Edit3->text() == ExternalIp; }, 30000));
        QVERIFY(
            QTest::qWaitFor([&] { return !form.Timer3.isRunning() && form.ReapplyState == "ok"; }, 30000));
        const QString listed = listedMappings();
        for (const QString& expected :
             {QStringLiteral("TCP +8081->%1:81 +'TestUDP'"), QStringLiteral("UDP +5353->%1:53 +'TestUDP'")})
            QVERIFY2(listed.contains(QRegularExpression(expected.arg(ClientIp))), qPrintable(listed));
        QCOMPARE(form.mappingLines(), (QStringList{"11.22.33.2:8081  TCP  192.168.77.10:81",
                                                   "11.22.33.2:5353  UDP  192.168.77.10:53"}));
        QCOMPARE(readFile(folder.filePath("jilu.txt")), stored);
        QVERIFY(fakes.messageBoxes.shown.isEmpty());

        // Deleting through the window takes the lines out of the list and the daemon.
        form.RadioButton4->setChecked(true);
        const std::pair<const char*, const char*> deletions[] = {{"8081", "81"}, {"5353", "53"}};
        for (const auto& [publicPort, localPort] : deletions) {
            (QString(publicPort) == "8081" ? form.RadioButton1 : form.RadioButton2)->setChecked(true);
            form.Edit4->setText(publicPort);
            form.Edit2->setText(localPort);
            form.Button1Click();
            QVERIFY(QTest::qWaitFor([&] { return form.Button1->isEnabled(); }, 15000));
        }
        const QString after = listedMappings();
        QVERIFY2(!after.contains("TestUDP"), qPrintable(after));
        QCOMPARE(readFile(folder.filePath("jilu.txt")), QByteArray());
        QDir::setCurrent(savedCurrent);
    }
};

QTEST_MAIN(RealGatewayCheck)
#include "RealGatewayCheck.moc"
