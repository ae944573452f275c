#include "EngineFixture.h"

#include "messages/Messages.h"
#include "registration/StoredPassword.h"
#include "settings/InputRules.h"
#include "settings/SettingsLines.h"

#include <QSignalSpy>

namespace {

const QByteArray success("dengluok112&&&198.51.100.7&&&");

void storeEntries(EngineFixture& f, const QStringList& domains)
{
    QStringList lines;
    for (const QString& domain : domains)
        lines << domain + "$$$********";
    f.state.setMultiUserLines(lines);
    f.state.setSettingOn(SettingsLine::MultiUser, true);
}

} // namespace

using namespace std::chrono_literals;

class TestMultiUserPass : public QObject
{
    Q_OBJECT

private slots:
    void aPassLogsInEachEntryAfterThePreviousSucceededThenStartsTheChecks()
    {
        EngineFixture f;
        f.fakes.clock.takeOverTimers();
        storeEntries(f, {"a.kelvane.example", "nopass.kelvane.example", "b.kelvane.example"});
        (void)f.fakes.keyStore.setValue("a.kelvane.example", StoredPassword::encode("first", u'3', u'8'));
        (void)f.fakes.keyStore.setValue("B.kelvane.example", StoredPassword::encode("second", u'0', u'5'));
        f.ordinary.reply = success;
        const QSignalSpy passEnded(&f.engine->primaryPass(), &MultiUserPass::finished);
        f.engine->logInAutomatically();
        f.fakes.clock.advance(199ms); // 100 ms to the first entry, 100 ms for the network
        QTest::qWait(20);
        QCOMPARE(f.ordinary.received.size(), 0);
        QVERIFY(f.sendsOneMoreAfter(1ms, f.ordinary));
        QTRY_VERIFY(!f.primary().awaitingReply());
        // The entry without a password is passed over at once.
        QVERIFY(f.sendsOneMoreAfter(10ms + 10ms + 100ms, f.ordinary));
        QTRY_VERIFY(!f.primary().awaitingReply());
        f.fakes.clock.advance(10ms);
        QCOMPARE(passEnded.size(), 1);
        QCOMPARE(f.ordinary.received.size(), 2);
        QCOMPARE(f.ordinary.received.at(0).bytes, QByteArray("verarod47a.kelvane.example&&&first&&&no&&&"));
        QCOMPARE(f.ordinary.received.at(1).bytes, QByteArray("verarod47b.kelvane.example&&&second&&&no&&&"));
        QVERIFY(f.engine->logLines().join(u'\n').contains(
            Messages::entryPasswordMissing(LanguageCode::Jt, "nopass.kelvane.example")));
        QCOMPARE(f.primary().domain(), QString("b.kelvane.example"));

        // The next change logs the whole list in again, from its first entry.
        f.engine->setAutoLogin(true);
        f.engine->logInAutomatically();
        QVERIFY(f.sendsOneMoreAfter(200ms, f.ordinary));
        QCOMPARE(f.ordinary.received.at(2).bytes, f.ordinary.received.at(0).bytes);
    }

    void refusedEntriesDoNotEndThePass_data()
    {
        QTest::addColumn<QByteArray>("refusal");
        QTest::newRow("not registered") << QByteArray("nzhuceyonghu1");
        QTest::newRow("disabled") << QByteArray("stopfuwu");
    }

    void refusedEntriesDoNotEndThePass()
    {
        QFETCH(QByteArray, refusal);
        EngineFixture f;
        f.fakes.clock.takeOverTimers();
        storeEntries(f, {"a.kelvane.example", "b.kelvane.example"});
        (void)f.fakes.keyStore.setValue("a.kelvane.example", "pw1");
        (void)f.fakes.keyStore.setValue("b.kelvane.example", "pw2");
        f.ordinary.answer = [&](const QByteArray& datagram, const QHostAddress&) {
            return datagram.startsWith("verarod47a.") ? refusal : success;
        };
        f.engine->logInAutomatically();
        QVERIFY(f.sendsOneMoreAfter(200ms, f.ordinary));
        QTRY_VERIFY(!f.primary().awaitingReply());
        QVERIFY(f.sendsOneMoreAfter(110ms, f.ordinary));
        QCOMPARE(f.ordinary.received.at(1).bytes, QByteArray("verarod47b.kelvane.example&&&pw2&&&no&&&"));
    }

    // A domain the provider never answers: the pass goes past it, tries it once
    // more at the end, and reaches the checks all the same.
    void aSilentDomainIsSaidOnceAndTriedAgainAtTheEnd()
    {
        EngineFixture f;
        storeEntries(f, {"a.kelvane.example", "dead.kelvane.example", "b.kelvane.example"});
        for (const char* domain : {"a.kelvane.example", "dead.kelvane.example", "b.kelvane.example"})
            (void)f.fakes.keyStore.setValue(domain, "pw");
        f.ordinary.answer = [](const QByteArray& datagram, const QHostAddress&) {
            return datagram.startsWith("verarod47dead.") ? QByteArray() : success;
        };
        f.fakes.clock.takeOverTimers();
        MultiUserPass& pass = f.engine->primaryPass();
        const QSignalSpy passEnded(&pass, &MultiUserPass::finished);
        // An entry is taken after `toEntry`, its login sent 100 ms later.
        const auto passEntry = [&](std::chrono::milliseconds toEntry, bool answered) {
            QVERIFY(f.sendsOneMoreAfter(toEntry + 100ms, f.ordinary));
            if (answered) {
                QTRY_VERIFY(!f.primary().awaitingReply());
                return;
            }
            for (int resend = 0; resend < 2; ++resend)
                QVERIFY(f.sendsOneMoreAfter(15s, f.ordinary));
            f.fakes.clock.advance(15s); // 3 sends over 45 s, then on to the next entry
        };
        pass.begin(100);
        passEntry(100ms, true);
        passEntry(10ms, false);
        const QString noAnswer = Messages::noAnswer(LanguageCode::Jt, "dead.kelvane.example");
        QVERIFY(f.line(0).endsWith(noAnswer));
        QVERIFY(f.engine->logLines().last().endsWith(noAnswer));
        passEntry(10ms, true);
        passEntry(10ms, false); // once more at the end of the pass
        QCOMPARE(passEnded.size(), 0);
        f.fakes.clock.advance(10ms);
        QCOMPARE(passEnded.size(), 1);
        QCOMPARE(f.ordinary.received.size(), 8);
    }

    // Its domain beside another entry's password would be sent, and shown in
    // pages, as one login.
    void anEntryWithoutPasswordLeavesTheLoginAsItWas()
    {
        EngineFixture f;
        storeEntries(f, {"nopass.kelvane.example"});
        f.fakes.clock.takeOverTimers();
        f.engine->primaryPass().begin(100);
        f.fakes.clock.advance(1s);
        QCOMPARE(f.primary().domain(), QString("a.kelvane.example"));
        QCOMPARE(f.primary().password(), QString("secret"));
        f.engine->setAutoLogin(true); // takes the first entry only with its password
        QCOMPARE(f.primary().domain(), QString("a.kelvane.example"));
    }

    void thePassWaitsForANetworkAddress()
    {
        EngineFixture f;
        storeEntries(f, {"a.kelvane.example"});
        (void)f.fakes.keyStore.setValue("a.kelvane.example", "pw1");
        f.fakes.localAddress.address = QStringLiteral("127.0.0.1");
        f.fakes.clock.takeOverTimers();
        f.engine->primaryPass().begin(100);
        f.fakes.clock.advance(10s);
        QCOMPARE(f.primary().password(), QString("pw1"));
        QTest::qWait(20);
        QCOMPARE(f.ordinary.received.size(), 0); // nothing sent without a network
        f.fakes.localAddress.address = QStringLiteral("192.0.2.10");
        QVERIFY(f.sendsOneMoreAfter(1s, f.ordinary)); // asked again every second
        QCOMPARE(f.ordinary.received.first().bytes, QByteArray("verarod47a.kelvane.example&&&pw1&&&no&&&"));
    }

    void aLargeGarbledListLoadsAndIsPassedEntryByEntry()
    {
        QTemporaryDir folder;
        QByteArray list;
        for (int i = 0; i < 10000; ++i)
            list += i % 2 ? QByteArray("\xFF\x81 no separator ") + QByteArray::number(i) + "\r\n"
                          : QByteArray("d") + QByteArray::number(i) + QByteArray("$$$\x80\0*\r\n", 8);
        QVERIFY(writeFile(folder.filePath("vkldomain.ini"), list));
        QVERIFY(writeFile(folder.filePath("vkl.ini"), " \r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"));
        FakePlatform fakes(folder.path());
        ClientState state;
        fakes.clock.takeOverTimers();
        LoginEngine engine(fakes.platform(), state, "Kelvane2.0");
        QCOMPARE(state.multiUserLines().size(), 10000);
        engine.primaryPass().begin(10);
        fakes.clock.advance(200ms); // an entry each 10 ms
        QCOMPARE(engine.logLines().size(), 3 + 20); // each entry without a password said so
        QCOMPARE(readFile(folder.filePath("vkldomain.ini")), list);
    }

    void addingStoresTheEncodedPasswordAndOneLinePerDomain()
    {
        EngineFixture f;
        f.engine->addListEntry("a.kelvane.example", "abcd");
        const QString stored = f.fakes.keyStore.value("a.kelvane.example").value_or(QString());
        QCOMPARE(stored.size(), 6);
        QCOMPARE(StoredPassword::decode(stored), QString("abcd"));
        QCOMPARE(f.read("vkldomain.ini"), QByteArray("a.kelvane.example$$$********\r\n"));

        f.engine->addListEntry("A.KELVANE.example", "xyz");
        QCOMPARE(f.state.multiUserLines().size(), 1);
        QCOMPARE(f.fakes.keyStore.value("a.kelvane.example"), std::optional<QString>("xyz"));

        f.engine->addListEntry(" ", "xyz");
        QVERIFY(f.line(3).endsWith(Messages::domainRefused(LanguageCode::Jt)));

        f.fakes.keyStore.failWrites = true;
        f.engine->addListEntry("b.kelvane.example", "xyz");
        QCOMPARE(f.state.multiUserLines().size(), 1);
        QCOMPARE(f.fakes.messageBoxes.shown.size(), 1);
        QVERIFY(f.fakes.messageBoxes.shown.first().second.contains("b.kelvane.example"));

        f.fakes.keyStore.failWrites = false;
        const QStringList full(InputRules::maxListLines, "x.kelvane.example$$$********");
        f.state.setMultiUserLines(full);
        f.engine->addListEntry("c.kelvane.example", "xyz");
        QVERIFY(f.engine->logLines().last().endsWith(
            Messages::listFull(LanguageCode::Jt, InputRules::maxListLines)));
        QVERIFY(!f.fakes.keyStore.value("c.kelvane.example"));
        QCOMPARE(f.state.multiUserLines(), full);
    }

    void deletingTakesTheGivenLineOrTheFirstWithoutRegardToCase()
    {
        EngineFixture f;
        storeEntries(f, {"A.example", "a.example", "b.example"});
        (void)f.fakes.keyStore.setValue("a.example", "pw1");
        f.engine->removeListEntry("a.example$$$********");
        QCOMPARE(f.state.multiUserLines(), (QStringList{"a.example$$$********", "b.example$$$********"}));
        QVERIFY(!f.fakes.keyStore.value("a.example"));
        QCOMPARE(f.read("vkldomain.ini"), QByteArray("a.example$$$********\r\nb.example$$$********\r\n"));
        f.engine->removeListEntry({});
        QCOMPARE(f.state.multiUserLines(), QStringList{"b.example$$$********"});
    }
};

QTEST_GUILESS_MAIN(TestMultiUserPass)
#include "TestMultiUserPass.moc"
