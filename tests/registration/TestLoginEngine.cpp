#include "EngineFixture.h"

#include "fakes/HostMappingHttpClient.h"
#include "fakes/ScriptedHttpServer.h"
#include "fakes/ThreadedWebSite.h"
#include "messages/Messages.h"
#include "settings/InputRules.h"
#include "settings/SettingsLines.h"

#include <QCoreApplication>

using namespace std::chrono_literals;

// How the engine chains its sessions, passes and checks: the login action,
// the start-up login, and the provider's two address pages.
class TestLoginEngine : public QObject
{
    Q_OBJECT

private slots:
    void aLoginLeavesExactlyOnePendingSendAndTheSecondaryFollows()
    {
        EngineFixture f;
        f.engine->checks().localCheckTimer.setInterval(3000);
        f.engine->logIn("  a.kelvane.example ", "secret");
        f.engine->logIn("  a.kelvane.example ", "secret");
        QCOMPARE(f.primary().loginRetryTimer.interval(), 10);
        QCOMPARE(f.engine->checks().localCheckTimer.interval(), 0);
        QCOMPARE(f.primary().domain(), QString("a.kelvane.example"));
        QCOMPARE(f.second().domain(), QString("a.kelvane.example"));
        QCOMPARE(f.second().password(), QString("secret"));
        QCOMPARE(f.engine->secondaryFollowLoginTimer.interval(), 10);
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 1, 5000);
        QTest::qWait(100);
        QCOMPARE(f.ordinary.received.size(), 1);
        QCOMPARE(f.primary().loginRetryTimer.interval(), 15000); // resent later only when no answer comes
    }

    void theRetryTimerResendsTheSameLogin()
    {
        EngineFixture f;
        f.primary().loginRetryTimer.fire();
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 1, 5000);
        f.primary().loginRetryTimer.fire();
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 2, 5000);
        QCOMPARE(f.ordinary.received.at(0).bytes, f.ordinary.received.at(1).bytes);
    }

    void aLoginSavesTheCredentialsOnlyWithAutoLogin()
    {
        EngineFixture f;
        const QByteArray before = f.read("vkl.ini");
        f.engine->logIn("a.kelvane.example", "secret");
        QCOMPARE(f.read("vkl.ini"), before);
        QCOMPARE(f.fakes.keyStore.size(), 0);
        f.engine->setAutoLogin(true);
        f.engine->logIn("a.kelvane.example", "other1");
        QCOMPARE(f.fakes.keyStore.value("vkl02"), std::optional<QString>("oth***"));
    }

    // "登录" with a field left empty and auto-login ticked.
    void aRefusedLoginKeepsTheSavedOneAndSendsNothing()
    {
        EngineFixture f;
        f.engine->setAutoLogin(true);
        const QByteArray settings = f.read("vkl.ini");
        const int keyStoreWrites = f.fakes.keyStore.writes;
        f.fakes.clock.takeOverTimers();
        f.engine->logIn("", "secret");
        f.engine->logIn("b.kelvane.example", "");
        f.engine->logIn("b_c.kelvane.example", "secret");
        f.fakes.clock.advance(100ms);
        QCOMPARE(f.read("vkl.ini"), settings);
        QCOMPARE(f.fakes.keyStore.writes, keyStoreWrites);
        QCOMPARE(f.lineCount(), 6);
        QVERIFY(f.line(3).endsWith(Messages::domainRefused(LanguageCode::Jt)));
        QVERIFY(f.line(4).endsWith(Messages::passwordRefused(LanguageCode::Jt, InputRules::maxPasswordLength,
                                                             QString::fromLatin1(CodePage::gbk().name()))));
        // The first login the rules let in is the first datagram the server sees.
        f.engine->logIn("b.kelvane.example", "other1");
        QVERIFY(f.sendsOneMoreAfter(100ms, f.ordinary));
        QCOMPARE(f.ordinary.received.size(), 1);
        QVERIFY(f.ordinary.received.first().bytes.contains("b.kelvane.example"));
    }

    // Each key typed in the field comes here: a refused address is kept as none.
    void aRefusedFixedAddressNeverEntersTheEngine()
    {
        EngineFixture f;
        f.engine->setFixedAddressOption(QString("1.2.3.4&&&x"));
        QCOMPARE(f.state.fixedAddress(), std::optional<QString>(QString()));
        QCOMPARE(f.engine->status(), Messages::fixedAddressInvalid(LanguageCode::Jt));
        QCOMPARE(f.lineCount(), 3); // not in the history
        f.engine->setFixedAddressOption(QString("198.51.100.7"));
        QCOMPARE(f.state.fixedAddress(), std::optional<QString>("198.51.100.7"));
    }

    void theStartUpLoginRunsOnlyWithAutoLogin()
    {
        EngineFixture f;
        QCOMPARE(f.engine->startupLoginTimer.interval(), 1000);
        QCOMPARE(f.engine->secondaryStartupTimer.interval(), 1000);
        f.engine->startupLoginTimer.fire();
        QCOMPARE(f.primary().loginRetryTimer.interval(), 0);
        QCOMPARE(f.engine->startupLoginTimer.interval(), 0);

        f.engine->setAutoLogin(true);
        f.state.setSetting(SettingsLine::ResolveLocal, "1");
        f.engine->startupLoginTimer.fire();
        QCOMPARE(f.primary().loginRetryTimer.interval(), 100);
        QCOMPARE(f.engine->secondaryFollowAutoTimer.interval(), 10);
        QVERIFY(f.state.iptype());
        QCOMPARE(f.line(0), Messages::startupLoginSent(f.time()));
    }

    void theStartUpLoginWithAnEmptyMultiUserListSwitchesMultiUserOff()
    {
        EngineFixture f;
        f.engine->setAutoLogin(true);
        f.engine->setMultiUserOption(true);
        f.engine->logInAutomatically();
        QCOMPARE(f.state.setting(SettingsLine::MultiUser), QString("0"));
        QVERIFY(f.read("vkl.ini").contains("\r\n0\r\n"));
        QCOMPARE(f.primary().loginRetryTimer.interval() + f.engine->primaryPass().passStepTimer.interval(),
                 0);
        f.engine->logInAutomatically();
        QCOMPARE(f.primary().loginRetryTimer.interval(), 100); // the form's own domain this time

        f.state.setSettingOn(SettingsLine::MultiUser, true);
        f.state.setMultiUserLines({"m.kelvane.example$$$********"});
        f.engine->logInAutomatically();
        QCOMPARE(f.engine->primaryPass().passStepTimer.interval(), 100);
    }

    void consistencyCheckOutcomes()
    {
        const QString first = "http://www.kelvane.example/ips.asp";
        const QString second = "http://main.kelvane.example/ips.asp";
        const auto check = [](EngineFixture& f) {
            f.engine->checks().consistencyCheckTimer.fire();
            for (int turn = 0; turn < 3; ++turn)
                QCoreApplication::processEvents();
        };
        {
            EngineFixture f;
            QCOMPARE(f.engine->checks().consistencyCheckTimer.interval(), 30000);
            f.fakes.http.pages.insert(first, "198.51.100.7");
            check(f);
            QCOMPARE(f.fakes.http.requested, (QStringList{first, second}));
            QVERIFY(f.engine->checks().providerPageAddress().isEmpty());
            QCOMPARE(f.engine->checks().consistencyCheckTimer.interval(), 900000);
        }
        {
            EngineFixture f;
            f.fakes.http.pages.insert(first, QByteArray("198.51.100.7\0junk", 17));
            f.fakes.http.pages.insert(second, "198.51.100.7");
            f.primary().sendIn(15000);
            check(f);
            QCOMPARE(f.engine->checks().providerPageAddress(), QString("198.51.100.7"));
            QCOMPARE(f.engine->checks().consistencyCheckTimer.interval(), 0);
            QCOMPARE(f.engine->checks().noPublicAddressTimer.interval(), 0);
            QCOMPARE(f.primary().loginRetryTimer.interval(), 15000);
        }
        {
            EngineFixture f;
            f.fakes.http.pages.insert(first, "198.51.100.7");
            f.fakes.http.pages.insert(second, "198.51.100.8");
            f.primary().sendIn(15000);
            check(f);
            QCOMPARE(f.primary().loginRetryTimer.interval(), 0);
            QCOMPARE(f.engine->checks().noPublicAddressTimer.interval(), 50);
            f.engine->checks().noPublicAddressTimer.fire();
            QCOMPARE(f.line(0), Messages::noPublicAddress());
            QCOMPARE(f.engine->checks().noPublicAddressTimer.interval(), 5000);
            f.engine->logIn("a.kelvane.example",
                            "secret"); // a login started meanwhile is cut off at the next tick
            QCOMPARE(f.primary().loginRetryTimer.interval(), 10);
            f.engine->checks().noPublicAddressTimer.fire();
            QCOMPARE(f.primary().loginRetryTimer.interval(), 0);
        }
    }

    void consistencyCheckAgainstTheFakeWebSite()
    {
        ThreadedWebSite provider({{"/ips.asp", ScriptedHttpServer::ok("198.51.100.7")}});
        ThreadedWebSite server({{"/ips.asp", ScriptedHttpServer::ok("198.51.100.9")}});
        QTemporaryDir folder;
        FakePlatform fakes(folder.path());
        HostMappingHttpClient http({{"www.kelvane.example", provider.hostAndPort()},
                                    {"main.kelvane.example", server.hostAndPort()}});
        ClientState state;
        LoginEngine engine(fakes.platformWith(http), state, "Kelvane2.0");
        engine.checks().consistencyCheckTimer.fire();
        QTRY_COMPARE_WITH_TIMEOUT(engine.checks().noPublicAddressTimer.interval(), 50, 10000);
        QCOMPARE(engine.checks().providerPageAddress(), QString("198.51.100.7"));
    }
};

QTEST_GUILESS_MAIN(TestLoginEngine)
#include "TestLoginEngine.moc"
