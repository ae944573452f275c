#include "EngineFixture.h"

#include "fakes/SavedLoginFiles.h"
#include "messages/Messages.h"
#include "settings/SettingsLines.h"

// Where the secondary session differs from the primary one: the same class,
// another profile (TestLoginSession holds the rules they share).
using namespace std::chrono_literals;

class TestSecondaryLogin : public QObject
{
    Q_OBJECT

    static Messages::LoginStamp stamp(const EngineFixture& f, const QString& replyDomain,
                                      const QString& expiry)
    {
        const QString address = Messages::outsideAddressPrefix(LanguageCode::Jt) + "198.51.100.7";
        return {replyDomain, address, f.date(), f.time(), QStringLiteral("a.second.example"), expiry};
    }

private slots:
    void theLoginReachesTheSecondaryServerForEligibleDomainsOnly_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<bool>("eligible");
        QTest::newRow("first zone") << "a.kelvane.example" << false;
        QTest::newRow("19th zone") << "a.second.example" << true;
        QTest::newRow("unlisted zone") << "a.unlisted.example" << true;
        QTest::newRow("no dot") << "nodot" << true;
    }

    void theLoginReachesTheSecondaryServerForEligibleDomainsOnly()
    {
        QFETCH(QString, domain);
        QFETCH(bool, eligible);
        EngineFixture f;
        f.fakes.clock.takeOverTimers();
        f.engine->logIn(domain, "secret");
        f.fakes.clock.advance(20ms); // the primary's send after 10 ms, the secondary's 10 ms after it
        FakeDnsServer& primary = eligible ? f.designated : f.ordinary;
        QTRY_COMPARE_WITH_TIMEOUT(primary.received.size(), 1, 5000);
        if (!eligible) {
            QCOMPARE(f.secondary.received.size(), 0);
            QCOMPARE(f.line(1), f.time()); // the follow-login timer's time
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.secondary.received.size(), 1, 5000);
        QCOMPARE(f.secondary.received.first().bytes, primary.received.first().bytes);
        QVERIFY(f.secondary.received.first().sourcePort != LoginExchange::localPort);
        QCOMPARE(f.line(1), Messages::Secondary::loginSent(f.time()));
    }

    void successReplies()
    {
        EngineFixture f(2052, "a.second.example");
        f.second().setCredentials("a.second.example", "secret");
        QVERIFY(f.loginWith("dengluok112a.second.example&&&198.51.100.7&&&", f.secondary, &f.second()));
        QCOMPARE(f.line(1), Messages::Secondary::loginSucceeded(LanguageCode::Jt, f.time()));
        // The reply has no expiry field, yet the prefix is written.
        QCOMPARE(f.line(3), Messages::Secondary::successHistory(
                                LanguageCode::Jt, stamp(f, "a.second.example", Messages::expiryPrefix())));
        QCOMPARE(f.second().publishedAddress(), QString("198.51.100.7"));
        QCOMPARE(f.state.setting(SettingsLine::AccountType), QString("0")); // code "1" changes nothing
        f.fakes.clock.takeOverTimers();
        const QString afterReply = f.line(1);
        f.fakes.clock.advance(3s);
        QCOMPARE(f.line(1), afterReply); // first reply: no local check

        const QByteArray settings = f.read("vkl.ini");
        QVERIFY(f.loginWith("dengluok012Repeat landing&&&198.51.100.7&&&sj2027-01-01end", f.secondary,
                            &f.second()));
        QCOMPARE(f.state.setting(SettingsLine::AccountType), QString("6"));
        QCOMPARE(f.read("vkl.ini"), settings); // in memory only
        QCOMPARE(f.line(4),
                 Messages::Secondary::repeatedLoginHistory(
                     LanguageCode::Jt, stamp(f, "Repeat landing", Messages::expiryPrefix() + "2027-01-01")));
        f.fakes.localAddress.address = QStringLiteral("198.51.100.7");
        QVERIFY(f.loginWith("dengluok112a.second.example&&&198.51.100.7&&&", f.secondary, &f.second()));
        f.fakes.clock.advance(3s); // now the addresses agree: the local check runs
        QCOMPARE(f.line(1), f.time() + Messages::checkStatus(LanguageCode::Jt,
                                                             Messages::CheckStatus::LocalCheckTick, "198.51.100.7"));
    }

    void stopAndNotRegisteredReplies()
    {
        EngineFixture f;
        f.second().setCredentials("a.second.example", "secret");
        QVERIFY(f.loginWith({}, f.secondary, &f.second()));
        const QString line1 = f.line(1);
        f.secondary.sendTo(f.secondary.received.last().sourcePort, "stopfuwu");
        QTRY_COMPARE(f.second().loginRetryTimer.interval(), 0);
        QCOMPARE(f.line(1), line1);
        QCOMPARE(f.lineCount(), 3);

        QVERIFY(f.loginWith("nzhuceyonghu4", f.secondary, &f.second()));
        QCOMPARE(f.fakes.browser.opened,
                 QStringList(
                     "http://main.second.example/kaitong1.asp?aaa=4&login=a.second.example&passwd=secret"));
        QCOMPARE(f.line(3), Messages::Secondary::loginFailedHistory(LanguageCode::Jt, f.date(), f.time(),
                                                                    "a.second.example"));
    }

    void startUpWithSavedCredentialsRegistersWithBothServers()
    {
        QTemporaryDir folder;
        FakePlatform fakes(folder.path());
        QVERIFY(saveLoginFiles(fakes.keyStore, folder.path(), "ab.second.example", "secret"));
        for (const char* host : {"main.second.example", "main2.second.example"})
            fakes.resolver.hosts.insert(QString::fromLatin1(host), {0x7F000001});
        FakeDnsServer designated(LoginExchange::designatedZonePort);
        FakeDnsServer secondary(LoginExchange::secondaryPort);
        ClientState state;
        LoginEngine engine(fakes.platform(), state, "Kelvane2.0");
        QTRY_COMPARE_WITH_TIMEOUT(designated.received.size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(secondary.received.size(), 1, 5000);
        QCOMPARE(secondary.received.first().bytes, QByteArray("verarod47ab.second.example&&&secret&&&no&&&"));
        QCOMPARE(secondary.received.first().bytes, designated.received.first().bytes);
    }

    void multiUserStepsSkipWhatTheServerDoesNotServe()
    {
        EngineFixture f;
        f.state.setMultiUserLines({"a.kelvane.example$$$********", "b.second.example$$$********"});
        (void)f.fakes.keyStore.setValue("a.kelvane.example", "pw1");
        (void)f.fakes.keyStore.setValue("b.second.example", "pw2");
        f.state.setSetting(SettingsLine::MultiUser, "x"); // hand-edited: on for the step
        f.fakes.clock.takeOverTimers();
        f.engine->secondaryPass().begin(100);
        f.fakes.clock.advance(100ms);
        QCOMPARE(f.second().domain(), QString("a.kelvane.example"));
        // Not served: on to the next entry 10 ms after its send would have been.
        QVERIFY(f.sendsOneMoreAfter(100ms + 10ms + 100ms, f.secondary));
        QCOMPARE(f.secondary.received.size(), 1);
        QCOMPARE(f.secondary.received.first().bytes, QByteArray("verarod47b.second.example&&&pw2&&&no&&&"));
    }
};

QTEST_GUILESS_MAIN(TestSecondaryLogin)
#include "TestSecondaryLogin.moc"
