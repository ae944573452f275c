#include "EngineFixture.h"

#include "fakes/ScriptedHostResolver.h"
#include "messages/Messages.h"
#include "settings/SettingsLines.h"

#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>

#include <sys/stat.h>

namespace {

// The history stamp of a login by a.kelvane.example, timed by the fake clock.
Messages::LoginStamp stampOf(const EngineFixture& f, const QString& replyDomain,
                             const QString& displayAddress, const QString& expiry)
{
    return {replyDomain, displayAddress, f.date(), f.time(), QStringLiteral("a.kelvane.example"), expiry};
}

} // namespace

// The primary session's rules; the secondary session is the same class (TestSecondaryLogin).
class TestLoginSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        EngineFixture f;
        QVERIFY2(f.serversListening(), "the fake DNS server ports 9824, 9822, 9715 and 9725 must be free");
    }

    void loginDatagramsReachTheServerByteExact()
    {
        EngineFixture f;
        QVERIFY(f.loginWith({}, f.ordinary));
        QCOMPARE(f.ordinary.received.last().bytes, QByteArray("verarod47a.kelvane.example&&&secret&&&no&&&"));
        QCOMPARE(f.primary().localAddress(), QString("192.0.2.10"));
        QCOMPARE(f.line(0), Messages::loginSent(f.time()));
        QCOMPARE(f.primary().loginRetryTimer.interval(), 15000);

        f.state.setIptype(true);
        f.engine->setFormCredentials("a.kelvane.example", QStringLiteral("密码"));
        QVERIFY(f.loginWith({}, f.ordinary));
        QCOMPARE(f.ordinary.received.last().bytes,
                 QByteArray("verarod47a.kelvane.example&&&\xC3\xDC\xC2\xEB&&&ip192.0.2.10&&&"));

        f.state.setFixedAddress("203.0.113.5");
        QVERIFY(f.loginWith({}, f.ordinary));
        QVERIFY(f.ordinary.received.last().bytes.endsWith("&&&ip203.0.113.5&&&"));
    }

    void serverAndPortFollowZoneAndAccount()
    {
        EngineFixture f;
        f.engine->setFormCredentials("x.unlisted.example", "secret");
        QVERIFY(f.loginWith({}, f.designated));
        f.engine->setFormCredentials("a.kelvane.example", "secret");
        f.state.setSetting(SettingsLine::AccountType, "6");
        QVERIFY(f.loginWith({}, f.paying));
        QCOMPARE(f.primary().pageHost(), QString("main.kelvane.example"));
    }

    void invalidFixedAddressSendsNothing()
    {
        EngineFixture f;
        f.state.setFixedAddress("1.2.3.4&&&x");
        f.primary().sendLogin();
        QTest::qWait(50);
        QVERIFY(f.ordinary.received.isEmpty());
        QCOMPARE(f.engine->status(), Messages::fixedAddressInvalid(LanguageCode::Jt));
        QCOMPARE(f.line(0), f.engine->status());
        QCOMPARE(f.primary().loginRetryTimer.interval(),
                 15000); // tried again later, once the field may be fixed
    }

    void unresolvableServerIsASendFailureRetriedInSixSeconds()
    {
        EngineFixture f;
        f.fakes.resolver.hosts.clear();
        f.primary().sendLogin();
        QCOMPARE(f.engine->status(), Messages::sendFailed(LanguageCode::Jt));
        QCOMPARE(f.line(0), Messages::sendFailed(LanguageCode::Jt));
        QCOMPARE(f.primary().loginRetryTimer.interval(), 6000);
    }

    void payingUserSuccess()
    {
        EngineFixture f;
        QVERIFY(f.loginWith("dengluok012a.kelvane.example&&&198.51.100.7&&&sj2027-01-01end", f.ordinary));
        QCOMPARE(f.primary().publishedAddress(), QString("198.51.100.7"));
        QCOMPARE(f.primary().loginRetryTimer.interval(), 0);
        QCOMPARE(f.line(2), Messages::payingUser());
        QCOMPARE(f.engine->status(), Messages::loginSucceeded(LanguageCode::Jt, f.time()));
        QCOMPARE(f.line(0), f.engine->status());
        QCOMPARE(f.line(3), Messages::successHistory(
                                LanguageCode::Jt,
                                stampOf(f, "a.kelvane.example",
                                        Messages::outsideAddressPrefix(LanguageCode::Jt) + "198.51.100.7",
                                        Messages::expiryPrefix() + "2027-01-01")));
        QVERIFY(f.read("vkl.ini").contains("\r\n6\r\n0\r\n"));
        QCOMPARE(f.engine->checks().serverCheckTimer.interval(), 15000); // the previous address was not ours
        QCOMPARE(f.engine->checks().localCheckTimer.interval(), 0);
    }

    void successInTraditionalChineseAndEnglish()
    {
        {
            EngineFixture f(3076);
            f.state.setIptype(true);
            QVERIFY(f.loginWith("dengluok112a.kelvane.example&&&198.51.100.7&&&sj.end", f.ordinary));
            QCOMPARE(f.engine->status(), Messages::loginSucceeded(LanguageCode::Ft, f.time()));
            QCOMPARE(f.line(2), Messages::freeUser());
            QCOMPARE(f.line(3), Messages::successHistory(
                                    LanguageCode::Ft,
                                    stampOf(f, "a.kelvane.example",
                                            Messages::localAddressPrefix(LanguageCode::Ft) + "192.0.2.10",
                                            "."))); // "." has no prefix
        }
        {
            EngineFixture f(1033);
            QVERIFY(f.loginWith("dengluok512a.kelvane.example&&&198.51.100.7&&&", f.ordinary));
            QCOMPARE(f.line(3),
                     Messages::successHistory(
                         LanguageCode::Et,
                         stampOf(f, "a.kelvane.example",
                                 Messages::outsideAddressPrefix(LanguageCode::Et) + "198.51.100.7", {})));
            QCOMPARE(f.line(2), Messages::testUser());
        }
    }

    void repeatLandingLinesInTheThreeLanguages()
    {
        const QByteArray reply = "dengluok112Repeat landing&&&198.51.100.7&&&sj2027end";
        for (int id : {2052, 1028, 1033}) {
            EngineFixture f(id);
            QVERIFY(f.loginWith(reply, f.ordinary));
            const LanguageCode language = languageCodeFor(id);
            QCOMPARE(f.line(3),
                     Messages::repeatedLoginHistory(
                         language, stampOf(f, "Repeat landing",
                                           Messages::outsideAddressPrefix(language) + "198.51.100.7",
                                           Messages::expiryPrefix() + "2027")));
        }
    }

    void nextStepAfterSuccess()
    {
        const QByteArray reply = "dengluok112a.kelvane.example&&&198.51.100.7&&&";
        {
            EngineFixture f;
            f.state.setResolveLocalTicked(true);
            QVERIFY(f.loginWith(reply, f.ordinary));
            QCOMPARE(f.engine->checks().localCheckTimer.interval(), 3000);
        }
        {
            EngineFixture f; // directly on the Internet: the published address is the local one
            QVERIFY(f.loginWith("dengluok112a.kelvane.example&&&192.0.2.10&&&", f.ordinary));
            QVERIFY(f.loginWith(reply, f.ordinary));
            QCOMPARE(f.engine->checks().localCheckTimer.interval(), 3000);
        }
        {
            EngineFixture f;
            f.state.setSettingOn(SettingsLine::MultiUser, true);
            QVERIFY(f.loginWith(reply, f.ordinary));
            QCOMPARE(f.engine->primaryPass().passStepTimer.interval(), 10);
        }
        {
            EngineFixture f;
            f.state.setFixedAddress("203.0.113.5");
            QVERIFY(f.loginWith(reply, f.ordinary));
            QCOMPARE(f.engine->checks().serverCheckTimer.interval() +
                         f.engine->primaryPass().passStepTimer.interval() +
                         f.engine->checks().localCheckTimer.interval(),
                     0);
            QCOMPARE(f.line(3), Messages::successHistory(LanguageCode::Jt,
                                                         stampOf(f, "a.kelvane.example", "203.0.113.5",
                                                                 {}))); // a fixed address has no prefix
        }
    }

    void accountCodesOpenTheirPages()
    {
        EngineFixture f;
        QVERIFY(f.loginWith("dengluok912a.kelvane.example&&&1.2.3.4&&&", f.ordinary));
        QVERIFY(f.loginWith("dengluoka12a.kelvane.example&&&1.2.3.4&&&###7", f.ordinary));
        QVERIFY(f.loginWith("dengluokb12a.kelvane.example&&&1.2.3.4&&&###&", f.ordinary));
        QCOMPARE(f.fakes.browser.opened,
                 (QStringList{"http://main.kelvane.example/tixing.asp?aaa=stop",
                              "http://main.kelvane.example/tixing.asp?id=a&aaa=7",
                              "http://main.kelvane.example/tixing.asp?id=b&aaa=%26"}));
        QVERIFY(f.read("vkl.ini").contains("\r\n0\r\n0\r\n0\r\n0\r\n0\r\n")); // line 5 "0"
    }

    void disabledReply()
    {
        EngineFixture f;
        QVERIFY(f.loginWith("stopfuwu", f.ordinary));
        QCOMPARE(f.line(0), Messages::domainDisabled());
        QCOMPARE(f.primary().loginRetryTimer.interval(), 0);
        QCOMPARE(f.primary().publishedAddress(), QString("wgip"));
    }

    void notRegisteredReplyOpensTheRegistrationPageEncoded()
    {
        for (int id : {2052, 3076, 1033}) {
            EngineFixture f(id);
            f.engine->setFormCredentials("a.kelvane.example", "p&q #");
            QVERIFY(f.loginWith("nzhuceyonghu4", f.ordinary));
            QCOMPARE(f.fakes.browser.opened,
                     QStringList("http://main.kelvane.example/"
                                 "kaitong1.asp?aaa=4&login=a.kelvane.example&passwd=p%26q%20%23"));
            QCOMPARE(f.primary().loginRetryTimer.interval(), 0);
            const LanguageCode language = languageCodeFor(id);
            QCOMPARE(f.line(3),
                     Messages::loginFailedHistory(language, f.date(), f.time(), "a.kelvane.example"));
            QCOMPARE(f.engine->status(), Messages::notRegistered(language));
            QCOMPARE(f.line(0), Messages::loginSent(f.time()));
        }
    }

    void repliesFromAnotherAddressAreIgnored()
    {
        EngineFixture f;
        QVERIFY(f.loginWith({}, f.ordinary));
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        for (const QByteArray& reply :
             {QByteArray("dengluok912<b>x</b>&&&6.6.6.6&&&"), QByteArray("stopfuwu"),
              QByteArray("dengluok012a.kelvane.example&&&6.6.6.6&&&"), QByteArray("nzhuceyonghu4")})
            stranger.writeDatagram(reply, QHostAddress::LocalHost, LoginExchange::localPort);
        QTest::qWait(300);
        QVERIFY(f.fakes.browser.opened.isEmpty());
        QCOMPARE(f.primary().loginRetryTimer.interval(), 15000);
        QCOMPARE(f.primary().publishedAddress(), QString("wgip"));
        QCOMPARE(f.state.setting(SettingsLine::AccountType), QString("0"));
        QCOMPARE(f.lineCount(), 3);
    }

    // A flood of replies from the server's own address must not become a flood
    // of history lines and settings writes: one login, one reply.
    void aLoginCountsOneReplyFromTheServersPortOnly()
    {
        EngineFixture f;
        const QByteArray reply("dengluok112a.kelvane.example&&&198.51.100.7&&&");
        QVERIFY(f.loginWith({}, f.ordinary));
        QUdpSocket otherPort;
        QVERIFY(otherPort.bind(QHostAddress::LocalHost, 0));
        otherPort.writeDatagram(reply, QHostAddress::LocalHost, LoginExchange::localPort);
        QTest::qWait(100);
        QCOMPARE(f.primary().loginRetryTimer.interval(), 15000);

        const quint16 port = f.ordinary.received.last().sourcePort;
        for (int i = 0; i < 20; ++i)
            f.ordinary.sendTo(port, reply);
        QTRY_COMPARE(f.primary().loginRetryTimer.interval(), 0);
        QTest::qWait(200);
        QCOMPARE(f.lineCount(), 4);

        // The next success saves the same settings: the file is left as it is.
        struct stat before = {};
        QCOMPARE(::stat(QFile::encodeName(f.folder.filePath("vkl.ini")).constData(), &before), 0);
        QVERIFY(f.loginWith(reply, f.ordinary));
        QCOMPARE(f.lineCount(), 5);
        struct stat after = {};
        QCOMPARE(::stat(QFile::encodeName(f.folder.filePath("vkl.ini")).constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
    }

    // A late answer to the previous domain's login, from the same server, is
    // not this login's: d2's own refusal must still show, once.
    void aSuccessNamingAnotherDomainIsIgnoredAndSaidOnce()
    {
        EngineFixture f;
        f.engine->setFormCredentials("d2.kelvane.example", "secret");
        QVERIFY(f.loginWith({}, f.ordinary));
        const quint16 port = f.ordinary.received.last().sourcePort;
        for (int i = 0; i < 3; ++i)
            f.ordinary.sendTo(port, "dengluok112d1.kelvane.example&&&198.51.100.7&&&");
        QTRY_COMPARE(f.lineCount(), 4);
        QTest::qWait(100);
        QCOMPARE(f.lineCount(), 4);
        QVERIFY(f.line(3).endsWith(
            Messages::replyForAnotherDomain(LanguageCode::Jt, "d1.kelvane.example", "d2.kelvane.example")));
        QVERIFY(f.primary().awaitingReply());
        f.ordinary.sendTo(port, "nzhuceyonghu4");
        QTRY_COMPARE(f.line(4), Messages::loginFailedHistory(LanguageCode::Jt, f.date(), f.time(),
                                                             "d2.kelvane.example"));
        QCOMPARE(f.primary().publishedAddress(), QString("wgip"));
    }

    void aRepeatedReplyOpensItsPageOnceInTenSeconds()
    {
        EngineFixture f;
        const QByteArray reply("dengluok912a.kelvane.example&&&<font size=7>1.2.3.4&&&");
        QVERIFY(f.loginWith(reply, f.ordinary));
        QVERIFY(f.loginWith(reply, f.ordinary));
        QCOMPARE(f.fakes.browser.opened.size(), 1);
        f.fakes.clock.time = f.fakes.clock.time.addSecs(10);
        QVERIFY(f.loginWith(reply, f.ordinary));
        QCOMPARE(f.fakes.browser.opened.size(), 2);
    }

    void aRetryDuringASlowLookUpIsNoFailure()
    {
        EngineFixture f;
        ScriptedHostResolver resolver; // holds every look-up
        ClientState state;
        LoginEngine engine(f.fakes.platformWith(resolver), state, "Kelvane2.0");
        LoginSession& session = engine.primary();
        session.setCredentials("a.kelvane.example", "secret");
        QTimer::singleShot(0, &engine, [&] {
            QTimer::singleShot(0, &engine, [&] {
                session.loginRetryTimer.fire(); // fires while the first send waits
                QCOMPARE(session.loginRetryTimer.interval(), 15000);
                QVERIFY(!engine.logLines().at(0).contains(Messages::sendFailed(LanguageCode::Jt)));
                resolver.release(ScriptedHostResolver::address(0x7F000001));
            });
            session.sendLogin();
        });
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 1, 5000);
        QCOMPARE(session.loginRetryTimer.interval(), 15000);
        QCOMPARE(resolver.asked.size(), 1);
    }

    void garbageRepliesChangeNothing()
    {
        EngineFixture f;
        QVERIFY(f.loginWith({}, f.ordinary));
        const quint16 port = f.ordinary.received.last().sourcePort;
        QRandomGenerator random(7);
        QList<QByteArray> replies{
            QByteArray(2048, 'x'), QByteArray(2049, 'y'), QByteArray(), "dengluo", "Dengluok",
            " nzhuceyonghu",       "\xFF\xFE\x81"};
        for (int i = 0; i < 300; ++i) {
            QByteArray bytes(random.bounded(2100), '\0');
            for (char& c : bytes)
                c = char(random.bounded(256));
            if (bytes.startsWith("dengluok") || bytes.startsWith("stopfuwu") ||
                bytes.startsWith("nzhuceyonghu"))
                continue;
            replies << bytes;
        }
        for (const QByteArray& reply : replies)
            f.ordinary.sendTo(port, reply);
        QTest::qWait(300);
        QCOMPARE(f.primary().loginRetryTimer.interval(), 15000);
        QCOMPARE(f.primary().publishedAddress(), QString("wgip"));
        QVERIFY(f.fakes.browser.opened.isEmpty());
        QCOMPARE(f.lineCount(), 3);

        f.ordinary.sendTo(port, "dengluok"); // a success with no fields at all
        QTRY_COMPARE(f.primary().loginRetryTimer.interval(), 0);
        QCOMPARE(f.primary().publishedAddress(), QString());
    }
};

QTEST_GUILESS_MAIN(TestLoginSession)
#include "TestLoginSession.moc"
