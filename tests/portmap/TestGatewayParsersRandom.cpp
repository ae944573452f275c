#include "GatewayData.h"
#include "platform/DottedIPv4.h"
#include "portmap/upnp/DeviceDescription.h"
#include "portmap/upnp/GatewayHttp.h"
#include "portmap/upnp/PinholeSoap.h"
#include "portmap/upnp/SoapAnswer.h"
#include "portmap/upnp/SoapRequest.h"
#include "portmap/upnp/SsdpSearch.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

namespace {

// Pieces that steer random input into the parsers' interesting branches.
const QList<QByteArray> Tokens = {
    "\r\n",
    "\r\n\r\n",
    ":",
    "/",
    "HTTP/",
    "http://",
    "127.0.0.1",
    "NOTIFY",
    "LOCATION:",
    "SERVER:",
    "USN:",
    "Content-Length:",
    "-1",
    "99999999999",
    "$",
    "0x",
    "<URLBase>",
    "</URLBase>",
    "/dyndev",
    "<controlURL>",
    "</controlURL>",
    "<deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:2</deviceType>",
    "<deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType>",
    "<deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>",
    "<serviceType>urn:schemas-upnp-org:service:WANPPPConnection:1</serviceType>",
    "<serviceType>urn:schemas-upnp-org:service:WANIPConnection:2</serviceType>",
    "<NewExternalIPAddress>",
    "</NewExternalIPAddress>",
    "<m:NewInternalClient>",
    "</m:NewInternalClient>",
    "<NewInternalPort>",
    "</NewInternalPort>",
    "<NewPortMappingDescription>",
    "</NewPortMappingDescription>",
    "&amp;",
    "<errorCode>",
    "</errorCode>",
    "<errorDescription>",
    "</errorDescription>",
    "200 OK",
    QByteArray("\0", 1),
    "\xff"};

class Mutator
{
public:
    explicit Mutator(quint32 seed) : m_random(seed) {}

    int below(int n) { return int(m_random.bounded(quint32(n))); }

    QByteArray randomBytes(int maxLength)
    {
        QByteArray bytes(below(maxLength + 1), Qt::Uninitialized);
        for (char& c : bytes)
            c = char(below(256));
        return bytes;
    }

    QByteArray mutate(QByteArray text)
    {
        const int edits = 1 + below(8);
        for (int i = 0; i < edits; ++i) {
            const int at = below(int(text.size()) + 1);
            switch (below(5)) {
            case 0:
                text.insert(at, Tokens[below(int(Tokens.size()))]);
                break;
            case 1:
                text.remove(at, below(64));
                break;
            case 2:
                if (!text.isEmpty())
                    text[at % text.size()] = char(below(256));
                break;
            case 3:
                text.truncate(at);
                break;
            default:
                text.insert(at, randomBytes(32));
                break;
            }
        }
        return text;
    }

private:
    QRandomGenerator m_random;
};

bool hasControlCharacter(const QByteArray& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Every parser once; results may never outgrow what went in.
void feedAll(const QByteArray& input)
{
    const qsizetype bound = input.size() + 64;
    if (const auto answer = SsdpSearch::readAnswer(input)) {
        QVERIFY(answer->location.size() <= input.size());
        const SsdpSearch::Location parts = SsdpSearch::splitLocation(answer->location);
        if (parts.complete)
            QVERIFY(SsdpSearch::urlBase(*parts.routerIp, parts.routerPort, parts.routerURL).size() <= bound);
    }
    const SsdpSearch::Reading reading = SsdpSearch::readDatagram(input, "127.0.0.1");
    if (reading.verdict == SsdpSearch::Reading::Found)
        QVERIFY(reading.location.routerURL.size() <= input.size());
    const SsdpSearch::Location parts = SsdpSearch::splitLocation(input);
    QVERIFY(parts.routerURL.size() <= input.size() + 1);
    GatewayHttp::ResponseComplete(input);
    QVERIFY(GatewayHttp::joinedChunks(input).size() <= input.size());
    const DeviceDescription::Walk walk = DeviceDescription::walk(input, "http://192.168.1.1:5431/dyndev");
    QVERIFY(walk.urlBase.size() <= bound);
    if (walk.controlURL)
        QVERIFY(walk.controlURL->size() <= walk.urlBase.size() + input.size() + 1);
    if (walk.firewallControlURL)
        QVERIFY(walk.firewallControlURL->size() <= walk.urlBase.size() + input.size() + 1);
    const int pinhole = PinholeSoap::uniqueId(input).value_or(0);
    QVERIFY(pinhole >= 0 && pinhole <= 65535);
    SoapAnswer::succeeded(input);
    QVERIFY(SoapAnswer::externalIp(input).size() <= bound);
    QVERIFY(SoapRequest::requestPath(input).size() <= input.size());
    if (const auto entry = SoapAnswer::mappingEntry(input)) {
        QVERIFY(isDottedIPv4(QString::fromLatin1(entry->internalClient)));
        QVERIFY(entry->remoteHost.isEmpty() || isDottedIPv4(QString::fromLatin1(entry->remoteHost)));
        QVERIFY(entry->internalPort >= 1 && entry->internalPort <= 65535);
        QVERIFY(entry->externalPort >= 0 && entry->externalPort <= 65535);
        QVERIFY(entry->protocol.isEmpty() || entry->protocol == "TCP" || entry->protocol == "UDP");
        QVERIFY(entry->description.size() <= 256 && !hasControlCharacter(entry->description));
        QVERIFY(entry->leaseDuration >= 0);
    }
    if (const auto fault = SoapAnswer::fault(input)) {
        QVERIFY(fault->code >= 1 && fault->code <= 9999);
        QVERIFY(fault->description.size() <= 200 && !hasControlCharacter(fault->description));
    }
}

} // namespace

class TestGatewayParsersRandom : public QObject
{
    Q_OBJECT

private slots:
    void anyBytesAndMutatedRecordings()
    {
        const QList<QByteArray> seeds = {gatewayData("ssdp-answer-rootdevice.bin"),
                                         gatewayData("description-igd1.http"),
                                         gatewayData("description-igd2.http"),
                                         gatewayData("get-external-ip-200.http"),
                                         gatewayData("add-port-mapping-500-conflict.http"),
                                         gatewayData("entry-by-index-200.http"),
                                         gatewayData("entry-by-port-500-no-such-entry.http")};
        Mutator mutator(20261207);
        QElapsedTimer clock;
        clock.start();
        int rounds = 0;
        // Bounded in count and in time, whichever ends first.
        for (; rounds < 20000 && clock.elapsed() < 20000; ++rounds) {
            const QByteArray input =
                rounds % 4 == 0 ? mutator.randomBytes(4097) : mutator.mutate(seeds[rounds % seeds.size()]);
            feedAll(input);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable("failed on input " + input.toBase64()));
        }
        qInfo("%d inputs", rounds);
    }

    void oneMebibyteDescription()
    {
        QByteArray huge = "HTTP/1.1 200 OK\r\nContent-Length: 1048576\r\n\r\n<root>";
        const QByteArray tail = gatewayData("description-igd1.http").mid(200);
        huge += QByteArray(1024 * 1024 - tail.size() - 6, ' ') + tail;
        QCOMPARE(GatewayHttp::ResponseComplete(huge), GatewayHttp::Completeness::Complete);
        const DeviceDescription::Walk walk = DeviceDescription::walk(huge, "http://192.168.77.1:5000");
        QCOMPARE(walk.controlURL.value_or("-"), QByteArray("http://192.168.77.1:5000/ctl/IPConn"));
        feedAll(huge);
    }

    void oneMebibyteOfRepeatedOpenings()
    {
        // Many partial matches in a row must not turn the search quadratic.
        QByteArray text;
        while (text.size() < 1024 * 1024)
            text += "<deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:<controlURL><URLBASE>";
        feedAll(text);
        feedAll("HTTP/1.1 200 OK\r\n" + text);
        QByteArray elements;
        while (elements.size() < 1024 * 1024)
            elements += "<m:NewInternalPort>1<:NewInternalPort x<NewInternalClient/<errorCode>&am";
        feedAll("HTTP/1.1 200 OK\r\n\r\n" + elements);
        feedAll("HTTP/1.1 500 Internal Server Error\r\n\r\n" + elements);
    }

    void elementsInTheWrongOrder()
    {
        const QByteArray recorded = gatewayData("description-igd2.http");
        const qsizetype body = recorded.indexOf("\r\n\r\n") + 4;
        QList<QByteArray> elements = recorded.mid(body).split('<');
        Mutator mutator(7);
        for (int round = 0; round < 200; ++round) {
            for (qsizetype i = elements.size() - 1; i > 0; --i)
                elements.swapItemsAt(i, mutator.below(int(i) + 1));
            const QByteArray shuffled = recorded.left(body) + elements.join('<');
            feedAll(shuffled);
            const DeviceDescription::Walk walk = DeviceDescription::walk(shuffled, "http://h:1");
            if (walk.controlURL)
                QVERIFY(walk.controlURL->startsWith("http://h:1/") || walk.controlURL->startsWith("http://"));
        }
    }
};

QTEST_GUILESS_MAIN(TestGatewayParsersRandom)
#include "TestGatewayParsersRandom.moc"
