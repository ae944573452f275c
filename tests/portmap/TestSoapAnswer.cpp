#include "GatewayData.h"
#include "portmap/upnp/SoapAnswer.h"

#include <QTest>

using namespace SoapAnswer;

namespace {

QByteArray entryAnswer(const QByteArray& elements, const QByteArray& status = "200 OK")
{
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/xml\r\n\r\n<s:Envelope><s:Body><u:GetGenericPortMappingEntryResponse>" +
           elements + "</u:GetGenericPortMappingEntryResponse></s:Body></s:Envelope>";
}

// The elements every valid entry needs.
QByteArray required(const QByteArray& more = {})
{
    return "<NewInternalPort>80</NewInternalPort><NewInternalClient>192.168.77.10</NewInternalClient>" + more;
}

QByteArray faultAnswer(const QByteArray& detail, const QByteArray& status = "500 Internal Server Error")
{
    return "HTTP/1.0 " + status +
           "\r\n\r\n<s:Envelope><s:Body><s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError"
           "</faultstring><detail><UPnPError>" +
           detail + "</UPnPError></detail></s:Fault></s:Body></s:Envelope>";
}

// remote host|external port|protocol|internal port|client|enabled|description|lease, or "none".
QByteArray summary(const std::optional<MappingEntry>& entry)
{
    if (!entry)
        return "none";
    return entry->remoteHost + '|' + QByteArray::number(entry->externalPort) + '|' + entry->protocol + '|' +
           QByteArray::number(entry->internalPort) + '|' + entry->internalClient + '|' +
           (entry->enabled ? "1" : "0") + '|' + entry->description + '|' +
           QByteArray::number(entry->leaseDuration);
}

QByteArray summary(const std::optional<Fault>& fault)
{
    return fault ? QByteArray::number(fault->code) + ' ' + fault->description : QByteArray("none");
}

} // namespace

class TestSoapAnswer : public QObject
{
    Q_OBJECT

private slots:
    void recordedAnswers_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QByteArray>("fault");
        const auto row = [](const char* file, const char* entry, const char* fault) {
            QTest::newRow(file) << gatewayData(file) << QByteArray(entry) << QByteArray(fault);
        };
        row("entry-by-port-200.http", "|0||80|192.168.77.10|1|web server|604800", "none");
        row("entry-by-index-200.http", "|8080|TCP|80|192.168.77.10|1|web server|604800", "none");
        row("entry-by-port-500-no-such-entry.http", "none", "714 NoSuchEntryInArray");
        row("entry-by-index-500-index-invalid.http", "none", "713 SpecifiedArrayIndexInvalid");
        row("entry-by-port-500-invalid-args.http", "none", "402 Invalid Args");
        row("add-port-mapping-500-conflict.http", "none", "718 ConflictInMappingEntry");
        row("add-port-mapping-500-action-failed.http", "none", "501 ActionFailed");
        row("add-port-mapping-200.http", "none", "none");
    }

    void recordedAnswers()
    {
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, entry);
        QFETCH(QByteArray, fault);
        QCOMPARE(summary(SoapAnswer::mappingEntry(response)), entry);
        QCOMPARE(summary(SoapAnswer::fault(response)), fault);
    }

    void mappingEntry_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("entry");
        const QByteArray plain = "|0||80|192.168.77.10|1||0";
        QTest::newRow("only the required elements") << entryAnswer(required()) << plain;
        QTest::newRow("every element")
            << entryAnswer(
                   "<NewRemoteHost>203.0.113.9</NewRemoteHost><NewExternalPort>65535</NewExternalPort>"
                   "<NewProtocol>udp</NewProtocol><NewInternalPort>1</NewInternalPort>"
                   "<NewInternalClient>10.0.0.2</NewInternalClient><NewEnabled>0</NewEnabled>"
                   "<NewPortMappingDescription>game</NewPortMappingDescription>"
                   "<NewLeaseDuration>3600</NewLeaseDuration>")
            << QByteArray("203.0.113.9|65535|UDP|1|10.0.0.2|0|game|3600");
        QTest::newRow("prefixes, any case, attributes, blanks")
            << entryAnswer("<m:newinternalport xsi:type=\"ui2\"> 80\r\n</m:NEWINTERNALPORT >"
                           "<m:NewInternalClient>\t192.168.77.10 </m:NewInternalClient>"
                           "<NEWPROTOCOL>Tcp</NEWPROTOCOL>")
            << QByteArray("|0|TCP|80|192.168.77.10|1||0");
        QTest::newRow("empty-element tag") << entryAnswer(required("<NewRemoteHost/>")) << plain;
        QTest::newRow("remote host not an address")
            << entryAnswer(required("<NewRemoteHost>evil.example</NewRemoteHost>")) << plain;
        QTest::newRow("failed status")
            << entryAnswer(required(), "500 Internal Server Error") << QByteArray("none");
        QTest::newRow("no client") << entryAnswer("<NewInternalPort>80</NewInternalPort>")
                                   << QByteArray("none");
        QTest::newRow("no port") << entryAnswer("<NewInternalClient>192.168.77.10</NewInternalClient>")
                                 << QByteArray("none");
        QTest::newRow("empty body") << QByteArray("HTTP/1.1 200 OK\r\n\r\n") << QByteArray("none");
        QTest::newRow("client with a line break")
            << entryAnswer("<NewInternalPort>80</NewInternalPort>"
                           "<NewInternalClient>1.2.3.4\r\nX</NewInternalClient>")
            << QByteArray("none");
        QTest::newRow("client with NUL")
            << entryAnswer(QByteArray("<NewInternalPort>80</NewInternalPort>"
                                      "<NewInternalClient>1.2.3.4\0</NewInternalClient>",
                                      84))
            << QByteArray("none");
        QTest::newRow("client without end tag")
            << entryAnswer("<NewInternalPort>80</NewInternalPort><NewInternalClient>1.2.3.4")
            << QByteArray("none");
        QTest::newRow("client closed by another element")
            << entryAnswer(
                   "<NewInternalPort>80</NewInternalPort><NewInternalClient>1.2.3.4</NewInternalPort>")
            << QByteArray("none");
        QTest::newRow("nested client")
            << entryAnswer("<NewInternalPort>80</NewInternalPort><NewInternalClient><NewInternalClient>"
                           "1.2.3.4</NewInternalClient></NewInternalClient>")
            << QByteArray("none");
        QTest::newRow("names only as parts of longer names or of text")
            << entryAnswer("<NewInternalPortX>80</NewInternalPortX><XNewInternalClient>1.2.3.4"
                           "</XNewInternalClient><a>NewInternalPort>80</a>")
            << QByteArray("none");
        for (const char* port : {"0", "65536", "-1", "0x50", "8O", ""})
            QTest::newRow(qPrintable(QStringLiteral("internal port '%1'").arg(QLatin1String(port))))
                << entryAnswer("<NewInternalPort>" + QByteArray(port) +
                               "</NewInternalPort><NewInternalClient>1.2.3.4</NewInternalClient>")
                << QByteArray("none");
        for (const char* port : {"0", "65536"})
            QTest::newRow(qPrintable(QStringLiteral("external port '%1'").arg(QLatin1String(port))))
                << entryAnswer(required("<NewExternalPort>" + QByteArray(port) + "</NewExternalPort>"))
                << QByteArray("none");
        QTest::newRow("protocol ICMP")
            << entryAnswer(required("<NewProtocol>ICMP</NewProtocol>")) << QByteArray("none");
        QTest::newRow("protocol empty")
            << entryAnswer(required("<NewProtocol></NewProtocol>")) << QByteArray("none");
        QTest::newRow("enabled other than 0")
            << entryAnswer(required("<NewEnabled>no</NewEnabled>")) << plain;
        QTest::newRow("disabled with blanks") << entryAnswer(required("<NewEnabled> 0 </NewEnabled>"))
                                              << QByteArray("|0||80|192.168.77.10|0||0");
        QTest::newRow("lease not a number")
            << entryAnswer(required("<NewLeaseDuration>-5</NewLeaseDuration>")) << plain;
        QTest::newRow("lease beyond 64 bits")
            << entryAnswer(required("<NewLeaseDuration>99999999999999999999</NewLeaseDuration>")) << plain;
        QTest::newRow("description control characters and NUL")
            << entryAnswer(required(QByteArray("<NewPortMappingDescription>a\tb\r\nc\0d\x7f"
                                               "</NewPortMappingDescription>",
                                               64)))
            << QByteArray("|0||80|192.168.77.10|1|a b  c d |0");
        QTest::newRow("description entities")
            << entryAnswer(required("<NewPortMappingDescription>R&amp;D &lt;1&gt; &quot;&apos;&amp;lt; &x;"
                                    "</NewPortMappingDescription>"))
            << QByteArray("|0||80|192.168.77.10|1|R&D <1> \"'&lt; &x;|0");
        QTest::newRow("description cut before a split character")
            << entryAnswer(required("<NewPortMappingDescription>a" + QByteArray("\xc3\xa9").repeated(200) +
                                    "</NewPortMappingDescription>"))
            << "|0||80|192.168.77.10|1|a" + QByteArray("\xc3\xa9").repeated(127) + "|0";
        QTest::newRow("huge description")
            << entryAnswer(required("<NewPortMappingDescription>" + QByteArray(1 << 20, 'x') +
                                    "</NewPortMappingDescription>"))
            << "|0||80|192.168.77.10|1|" + QByteArray(256, 'x') + "|0";
    }

    void mappingEntry()
    {
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, entry);
        QCOMPARE(summary(SoapAnswer::mappingEntry(response)), entry);
    }

    void fault_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("fault");
        QTest::newRow("prefixed, any case")
            << faultAnswer("<e:ERRORCODE>606</e:ERRORCODE><e:errordescription>Action not authorized"
                           "</e:errordescription>")
            << QByteArray("606 Action not authorized");
        QTest::newRow("no description") << faultAnswer("<errorCode>501</errorCode>") << QByteArray("501 ");
        QTest::newRow("blanks around the code")
            << faultAnswer("<errorCode> 402\r\n</errorCode>") << QByteArray("402 ");
        QTest::newRow("lowest") << faultAnswer("<errorCode>1</errorCode>") << QByteArray("1 ");
        QTest::newRow("highest") << faultAnswer("<errorCode>9999</errorCode>") << QByteArray("9999 ");
        QTest::newRow("description control characters, trimmed")
            << faultAnswer("<errorCode>718</errorCode><errorDescription>\r\n Conflict\tIn\x01Mapping \x7f"
                           "</errorDescription>")
            << QByteArray("718 Conflict In Mapping");
        QTest::newRow("huge description") << faultAnswer("<errorCode>718</errorCode><errorDescription>" +
                                                         QByteArray(100000, 'y') + "</errorDescription>")
                                          << "718 " + QByteArray(200, 'y');
        for (const char* code : {"0", "10000", "-1", "7 18", "", "0x2CA"})
            QTest::newRow(qPrintable(QStringLiteral("code '%1'").arg(QLatin1String(code))))
                << faultAnswer("<errorCode>" + QByteArray(code) +
                               "</errorCode><errorDescription>x"
                               "</errorDescription>")
                << QByteArray("none");
        QTest::newRow("code with NUL")
            << faultAnswer(QByteArray("<errorCode>71\0</errorCode>", 26)) << QByteArray("none");
        QTest::newRow("no code") << faultAnswer("<errorDescription>Invalid Args</errorDescription>")
                                 << QByteArray("none");
        QTest::newRow("code without end tag") << faultAnswer("<errorCode>718") << QByteArray("none");
        QTest::newRow("nested code") << faultAnswer("<errorCode><errorCode>718</errorCode></errorCode>")
                                     << QByteArray("none");
        QTest::newRow("successful answer")
            << faultAnswer("<errorCode>718</errorCode>", "200 OK") << QByteArray("none");
        QTest::newRow("not HTTP at all") << QByteArray("<errorCode>718</errorCode>") << QByteArray("718 ");
    }

    void fault()
    {
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, fault);
        QCOMPARE(summary(SoapAnswer::fault(response)), fault);
    }
};

QTEST_GUILESS_MAIN(TestSoapAnswer)
#include "TestSoapAnswer.moc"
