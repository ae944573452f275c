#include "platform/CodePage.h"
#include "platform/DottedIPv4.h"
#include "registration/LoginExchange.h"

#include <QRandomGenerator>
#include <QTest>

using namespace LoginExchange;

namespace {

const QStringList zones{"kelvane.example", "vizi.example", "ipfree.example", "second.example"};

} // namespace

class TestLoginExchange : public QObject
{
    Q_OBJECT

private slots:
    void serverAndPortFollowTheZone_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("line5");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("listed zone") << "a.b.kelvane.example"
                                     << "0"
                                     << "main.kelvane.example" << 9824;
        QTest::newRow("paying user") << "a.kelvane.example"
                                     << "6"
                                     << "main.kelvane.example" << 9822;
        QTest::newRow("zone case ignored") << "a.VIZI.Example"
                                           << "0"
                                           << "main.VIZI.Example" << 9824;
        QTest::newRow("unlisted zone") << "a.b.other.example"
                                       << "0"
                                       << "main.second.example" << 9715;
        QTest::newRow("unlisted, paying") << "x.other.example"
                                          << "6"
                                          << "main.second.example" << 9715;
        QTest::newRow("single label") << "localhost"
                                      << "0"
                                      << "main.second.example" << 9715;
        QTest::newRow("zone is the domain") << "kelvane.example"
                                            << "0"
                                            << "main.kelvane.example" << 9824;
        QTest::newRow("18th zone") << "h.ipfree.example"
                                   << "6"
                                   << "main.ipfree.example" << 9715;
        QTest::newRow("18th zone upper case") << "h.IPFREE.EXAMPLE"
                                              << "0"
                                              << "main.IPFREE.EXAMPLE" << 9715;
        QTest::newRow("blanks trimmed") << "h.kelvane.example "
                                        << "0"
                                        << "main.kelvane.example" << 9824;
    }
    void serverAndPortFollowTheZone()
    {
        QFETCH(QString, domain);
        QFETCH(QString, line5);
        QFETCH(QString, host);
        QFETCH(int, port);
        QCOMPARE(primaryServerHost(domain, zones), host);
        QCOMPARE(remotePort(primaryServerHost(domain, zones), line5), port);
    }

    void datagramsInTheThreeFormsAreByteExact()
    {
        const CodePage gbk = CodePage::gbk();
        QCOMPARE(gbk.encode(loginDatagram("a.kelvane.example", "pw", AddressMode::Public, "1.2.3.4")),
                 QByteArray("verarod47a.kelvane.example&&&pw&&&no&&&"));
        QCOMPARE(gbk.encode(loginDatagram("a.kelvane.example", "pw", AddressMode::Local, "192.0.2.10")),
                 QByteArray("verarod47a.kelvane.example&&&pw&&&ip192.0.2.10&&&"));
        QCOMPARE(gbk.encode(loginDatagram("a.kelvane.example", "pw", AddressMode::Fixed, "203.0.113.5")),
                 QByteArray("verarod47a.kelvane.example&&&pw&&&ip203.0.113.5&&&"));
        QCOMPARE(gbk.encode(loginDatagram("b.vizi.example", QStringLiteral("密码"), AddressMode::Local, "")),
                 QByteArray("verarod47b.vizi.example&&&\xC3\xDC\xC2\xEB&&&ip&&&"));
    }

    void credentialsFromDamagedFilesAreNeverSent()
    {
        QVERIFY(isSendableCredential(QStringLiteral("名称.example pw 😀")));
        for (const QString& bad : {QStringLiteral("de\uFEFFmo"), QStringLiteral("a\tb"),
                                   QStringLiteral("a\x7F"), QStringLiteral("a\u0085")})
            QVERIFY(!isSendableCredential(bad));
    }

    void fixedAddressMustBeDottedDecimal()
    {
        for (const char* good : {"0.0.0.0", "203.0.113.5", "255.255.255.255"})
            QVERIFY2(isDottedIPv4(good), good);
        for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4&&&", "a.b.c.d", "01.2.3.4",
                                " 1.2.3.4", "1..3.4", "1.2.3.-4", "1.2.3.4444"})
            QVERIFY2(!isDottedIPv4(bad), bad);
    }

    void onlyAnAddressTheInternetReachesIsPublic()
    {
        for (const char* reachable : {"11.22.33.2", "100.63.255.255", "100.128.0.1", "172.15.0.1",
                                      "172.32.0.1", "198.51.100.7", "223.255.255.255"})
            QVERIFY2(isPublicIPv4(reachable), reachable);
        for (const char* behindNat :
             {"10.1.2.3", "100.64.0.1", "100.127.255.254", "172.16.0.1", "172.31.255.1", "192.168.1.1",
              "169.254.3.4", "127.0.0.1", "0.0.0.0", "224.0.0.1", "255.255.255.255", "1.2.3.4&&&"})
            QVERIFY2(!isPublicIPv4(behindNat), behindNat);
    }

    void successReplyFields()
    {
        const Reply r = parseReply("dengluok012a.kelvane.example&&&198.51.100.7&&&x&&&sj2027-01-01end###q");
        QCOMPARE(r.kind, ReplyKind::Success);
        QCOMPARE(r.accountCode, QString("0"));
        QCOMPARE(r.replyDomain, QString("a.kelvane.example"));
        QCOMPARE(r.resolvedAddress, QString("198.51.100.7"));
        QCOMPARE(r.expiry, QString("2027-01-01"));
        QVERIFY(r.hasExpiryMarkers);
        QCOMPARE(r.reminderId, QString("q"));
    }

    void shortAndOddSuccessReplies()
    {
        Reply r = parseReply("dengluok");
        QCOMPARE(r.kind, ReplyKind::Success);
        QVERIFY(r.accountCode.isEmpty());
        QVERIFY(r.replyDomain.isEmpty());
        QVERIFY(r.resolvedAddress.isEmpty());

        r = parseReply("dengluok112only.one.field&&&198.51.100.7");
        QCOMPARE(r.replyDomain, QString("only.one.field"));
        QVERIFY(r.resolvedAddress.isEmpty()); // fewer than two separators

        r = parseReply("dengluok1&&&early&&&");
        QVERIFY(r.replyDomain.isEmpty()); // separator before the 12th character
        QCOMPARE(r.resolvedAddress, QString("early"));

        r = parseReply("dengluok112weekend.example&&&1.2.3.4&&&");
        QVERIFY(r.expiry.isEmpty()); // "end" without "sj"
        QVERIFY(!r.hasExpiryMarkers);

        r = parseReply("dengluok112end.example&&&1.2.3.4&&&sjX");
        QVERIFY(r.expiry.isEmpty()); // "end" before "sj"
        QVERIFY(r.hasExpiryMarkers);

        QString eight = "dengluok512d";
        for (int i = 0; i < 8; ++i)
            eight += "&&&f" + QString::number(i);
        r = parseReply(eight);
        QCOMPARE(r.replyDomain, QString("d"));
        QCOMPARE(r.resolvedAddress, QString("f0"));

        QVERIFY(parseReply("dengluok1###").reminderId.isEmpty());
    }

    void otherReplies()
    {
        QCOMPARE(parseReply("stopfuwu").kind, ReplyKind::Disabled);
        QCOMPARE(parseReply("stopfuwudengluok").kind, ReplyKind::Disabled);
        const Reply r = parseReply("nzhuceyonghu7");
        QCOMPARE(r.kind, ReplyKind::NotRegistered);
        QCOMPARE(r.registrationCode, QString("7"));
        QVERIFY(parseReply("nzhuceyonghu").registrationCode.isEmpty());
        QCOMPARE(parseReply("Dengluok").kind, ReplyKind::Unrecognised);
        QCOMPARE(parseReply("").kind, ReplyKind::Unrecognised);
    }

    void replyTextEndsAtNulAndSurvivesBadBytes()
    {
        QCOMPARE(CodePage::gbk().decodeUpToNul(QByteArray("dengluok\0tail", 13)), QString("dengluok"));
        QCOMPARE(CodePage::gbk().decodeUpToNul(QByteArray(2048, 'x')).size(), 2048);
        const QString odd = CodePage::big5().decodeUpToNul(QByteArray("dengluok1\x81\xFF\xFE", 12));
        QVERIFY(odd.startsWith("dengluok1"));
    }

    void randomRepliesNeverBreakTheParser()
    {
        QRandomGenerator random(2026);
        const QByteArray pieces[] = {"dengluok", "stopfuwu", "nzhuceyonghu", "&&&", "sj", "end", "###", "\0"};
        for (int round = 0; round < 20000; ++round) {
            QByteArray bytes;
            const int parts = random.bounded(12);
            for (int i = 0; i < parts; ++i) {
                if (random.bounded(2))
                    bytes += pieces[random.bounded(int(std::size(pieces)))];
                else
                    for (int n = random.bounded(8); n > 0; --n)
                        bytes += char(random.bounded(256));
            }
            const Reply r = parseReply(CodePage::gbk().decodeUpToNul(bytes.left(2048)));
            QVERIFY(r.accountCode.size() <= 1 && r.reminderId.size() <= 1 && r.registrationCode.size() <= 1);
        }
    }

    void accountCodesNameTheirPages()
    {
        const CodePage gbk = CodePage::gbk();
        Reply reply = parseReply("dengluoka12d&&&1.2.3.4&&&###&");
        QCOMPARE(accountPage("main.kelvane.example", reply, gbk),
                 QString("http://main.kelvane.example/tixing.asp?id=a&aaa=%26"));
        reply.accountCode = "9";
        QCOMPARE(accountPage("h", reply, gbk), QString("http://h/tixing.asp?aaa=stop"));
        reply.accountCode = "0";
        QVERIFY(accountPage("h", reply, gbk).isEmpty());
    }

    void registrationPageEncodesItsValues()
    {
        QCOMPARE(registrationPage("main.kelvane.example", "3", "a.kelvane.example", "plain-pw_1.~",
                                  CodePage::gbk()),
                 QString("http://main.kelvane.example/"
                         "kaitong1.asp?aaa=3&login=a.kelvane.example&passwd=plain-pw_1.~"));
        QCOMPARE(
            registrationPage("main.kelvane.example", "3", "a b", "p&q#r%s+t u", CodePage::gbk()),
            QString(
                "http://main.kelvane.example/kaitong1.asp?aaa=3&login=a%20b&passwd=p%26q%23r%25s%2Bt%20u"));
        QCOMPARE(registrationPage("h", "3", "d", QStringLiteral("密"), CodePage::gbk()),
                 QString("http://h/kaitong1.asp?aaa=3&login=d&passwd=%C3%DC"));
    }
};

QTEST_GUILESS_MAIN(TestLoginExchange)
#include "TestLoginExchange.moc"
