#include "LoginFixture.h"

#include "app/WindowSet.h"
#include "fakes/SavedLoginFiles.h"
#include "forms/TForm2.h"
#include "messages/Messages.h"
#include "messages/TimeStamps.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QUdpSocket>

// Both sessions of one program against fake DNS servers on 127.0.0.1; the
// secondary server listens on 9725.
struct TwoSessions : LoginFixture
{
    FakeDnsServer secondary{LoginExchange::secondaryPort};
    std::unique_ptr<TForm2> form2;

    TwoSessions()
    {
        fakes.resolver.hosts.insert(QStringLiteral("main2.second.example"), {0x7F000001});
        form2 = std::make_unique<TForm2>(fakes.platform(), session);
    }

    QString time() const { return longTime(fakes.clock.time); }
    QString date() const { return shortDate(fakes.clock.time); }
    // The history stamp of a secondary login by a.second.example from 198.51.100.7.
    Messages::LoginStamp stamp(const QString& replyDomain, const QString& expiry) const
    {
        const QString address = Messages::outsideAddressPrefix(LanguageCode::Jt) + "198.51.100.7";
        return {replyDomain, address, date(), time(), QStringLiteral("a.second.example"), expiry};
    }

    // Sends one secondary login and waits (bounded) until its reply is handled.
    bool secondaryLoginWith(const QByteArray& reply)
    {
        secondary.reply = reply;
        const qsizetype before = secondary.received.size();
        form2->Button1Click();
        return QTest::qWaitFor([&] { return secondary.received.size() > before; }, 5000) &&
               QTest::qWaitFor([&] { return form2->Timer4.interval() != 15000 || reply.isEmpty(); }, 5000);
    }
};

class TestSecondarySession : public QObject
{
    Q_OBJECT

private slots:
    void theLoginButtonReachesTheSecondaryServerForEligibleDomainsOnly_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<bool>("eligible");
        QTest::newRow("first zone") << "a.kelvane.example" << false;
        QTest::newRow("19th zone") << "a.second.example" << true;
        QTest::newRow("unlisted zone") << "a.unlisted.example" << true;
        QTest::newRow("no dot") << "nodot" << true;
    }

    void theLoginButtonReachesTheSecondaryServerForEligibleDomainsOnly()
    {
        QFETCH(QString, domain);
        QFETCH(bool, eligible);
        TwoSessions f;
        f.form->nameedit->setText(domain);
        f.form->Button4Click();
        FakeDnsServer& primary = eligible ? f.designated : f.ordinary;
        QTRY_COMPARE_WITH_TIMEOUT(primary.received.size(), 1, 5000);
        if (!eligible) {
            QTest::qWait(100);
            QCOMPARE(f.secondary.received.size(), 0);
            QCOMPARE(f.form->dlrz->line(1), f.time()); // the follow-login timer's time
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.secondary.received.size(), 1, 5000);
        QCOMPARE(f.secondary.received.first().bytes, primary.received.first().bytes);
        QVERIFY(f.secondary.received.first().sourcePort != LoginExchange::localPort);
        QCOMPARE(f.form->dlrz->line(1), Messages::Secondary::loginSent(f.time()));
        QCOMPARE(f.form2->Timer4.interval(), 15000);
    }

    void successReplies()
    {
        TwoSessions f;
        f.form2->nameedit = QStringLiteral("a.second.example");
        f.form2->passedit = QStringLiteral("secret");
        QVERIFY(f.secondaryLoginWith("dengluok112a.second.example&&&198.51.100.7&&&"));
        QCOMPARE(f.form2->Timer4.interval(), 0);
        QCOMPARE(f.form->dlrz->line(1), Messages::Secondary::loginSucceeded(LanguageCode::Jt, f.time()));
        // The reply has no expiry field, yet the prefix is written.
        QCOMPARE(f.form->dlrz->line(3),
                 Messages::Secondary::successHistory(LanguageCode::Jt,
                                                     f.stamp("a.second.example", Messages::expiryPrefix())));
        QCOMPARE(f.form2->wgip, QString("198.51.100.7"));
        QCOMPARE(f.session.settingsLines.at(SettingsLine::AccountType),
                 QString("0"));                                               // code "1" changes nothing
        QCOMPARE(f.form2->Timer9.interval() + f.form2->Timer7.interval(), 0); // first reply: nothing armed

        const QByteArray settings = f.read("vkl.ini");
        QVERIFY(f.secondaryLoginWith("dengluok012Repeat landing&&&198.51.100.7&&&sj2027-01-01end"));
        QCOMPARE(f.session.settingsLines.at(SettingsLine::AccountType), QString("6"));
        QCOMPARE(f.read("vkl.ini"), settings); // in memory only
        QCOMPARE(f.form->dlrz->line(4),
                 Messages::Secondary::repeatedLoginHistory(
                     LanguageCode::Jt, f.stamp("Repeat landing", Messages::expiryPrefix() + "2027-01-01")));
        f.fakes.localAddress.address = QStringLiteral("198.51.100.7");
        QVERIFY(f.secondaryLoginWith("dengluok112a.second.example&&&198.51.100.7&&&"));
        QCOMPARE(f.form2->Timer9.interval(), 3000); // now the addresses agree
    }

    void stopAndNotRegisteredReplies()
    {
        TwoSessions f;
        f.form->nameedit->setText("a.second.example");
        f.form->Button4Click();
        QTRY_COMPARE_WITH_TIMEOUT(f.secondary.received.size(), 1, 5000);
        const QString line1 = f.form->dlrz->line(1);
        f.secondary.sendTo(f.secondary.received.last().sourcePort, "stopfuwu");
        QTRY_COMPARE(f.form2->Timer4.interval(), 0);
        QCOMPARE(f.form->dlrz->line(1), line1);
        QCOMPARE(f.form->dlrz->lineCount(), 3);

        // Both servers say "not registered": each session opens its own page.
        f.designated.reply = "nzhuceyonghu4";
        f.secondary.reply = "nzhuceyonghu4";
        f.form->Button4Click();
        QTRY_COMPARE_WITH_TIMEOUT(f.fakes.browser.opened.size(), 2, 5000);
        const QString page(
            "http://main.second.example/kaitong1.asp?aaa=4&login=a.second.example&passwd=secret");
        QCOMPARE(f.fakes.browser.opened, (QStringList{page, page}));
        QVERIFY(f.form->dlrz->text().contains(Messages::Secondary::loginFailedHistory(
            LanguageCode::Jt, f.date(), f.time(), "a.second.example")));
    }

    void startUpWithSavedCredentialsRegistersWithBothServers()
    {
        WindowFixture f;
        QVERIFY(saveLoginFiles(f.fakes.keyStore, f.folder.path(), "ab.second.example", "secret"));
        for (const char* host : {"main.second.example", "main2.second.example"})
            f.fakes.resolver.hosts.insert(QString::fromLatin1(host), {0x7F000001});
        FakeDnsServer designated(LoginExchange::designatedZonePort);
        FakeDnsServer secondary(LoginExchange::secondaryPort);
        WindowSet windows(f.fakes.platform(), f.shell);
        QTRY_COMPARE_WITH_TIMEOUT(designated.received.size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(secondary.received.size(), 1, 5000);
        QCOMPARE(secondary.received.first().bytes, QByteArray("verarod47ab.second.example&&&secret&&&no&&&"));
        QCOMPARE(secondary.received.first().bytes, designated.received.first().bytes);
    }

    void repliesFromAnotherAddressAreIgnored()
    {
        TwoSessions f;
        f.form2->nameedit = QStringLiteral("a.second.example");
        f.form2->passedit = QStringLiteral("secret");
        QVERIFY(f.secondaryLoginWith({}));
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        stranger.writeDatagram("dengluok912x&&&6.6.6.6&&&", QHostAddress::LocalHost,
                               quint16(f.secondary.received.last().sourcePort));
        QTest::qWait(200);
        QCOMPARE(f.form2->Timer4.interval(), 15000);
        QCOMPARE(f.form2->wgip, QString("wgip"));
        QVERIFY(f.fakes.browser.opened.isEmpty());
    }

    void multiUserStepsAndTheLine1Rule()
    {
        TwoSessions f;
        f.session.setMultiUserLines({"a.kelvane.example$$$********", "b.second.example$$$********"});
        (void)f.fakes.keyStore.setValue("a.kelvane.example", "pw1");
        (void)f.fakes.keyStore.setValue("b.second.example", "pw2");
        f.session.settingsLines[SettingsLine::MultiUser] = QStringLiteral("x"); // hand-edited
        f.form2->passedit = QStringLiteral("secret");
        f.form2->Button5Click();
        QCOMPARE(f.form2->Timer4.interval(), 100); // single-user for the action
        f.form2->Timer7Timer();
        QCOMPARE(f.form2->nameedit, QString("a.kelvane.example")); // multi-user for the step
        QCOMPARE(f.form2->Timer8.interval(), 100);
        f.form2->Timer8Timer();
        QCOMPARE(f.form2->Timer7.interval(), 10); // not eligible: on to the next entry
        f.form2->Timer7Timer();
        QCOMPARE(f.form2->passedit, QString("pw2"));
        f.form2->Timer8Timer();
        QTRY_COMPARE_WITH_TIMEOUT(f.secondary.received.size(), 1, 5000);
        QCOMPARE(f.secondary.received.first().bytes, QByteArray("verarod47b.second.example&&&pw2&&&no&&&"));
    }

    void aRefusedOrPasswordlessEntryMovesThePassOn()
    {
        TwoSessions f;
        f.session.setMultiUserLines({"nopass.second.example$$$********", "b.second.example$$$********"});
        setOn(f.session.settingsLines, SettingsLine::MultiUser, true);
        f.form2->nameedit = QStringLiteral("a.second.example");
        f.form2->passedit = QStringLiteral("secret");
        f.form2->listIndex = 0;
        f.form2->Timer7Timer();
        QCOMPARE(f.form2->nameedit, QString("a.second.example")); // the fields stay one login
        QCOMPARE(f.form2->Timer7.interval(), 10);
        QVERIFY(f.secondaryLoginWith("nzhuceyonghu1"));
        QCOMPARE(f.form2->Timer7.interval(), 10);
    }

    void anUnresolvableServerIsASendFailureRetriedInSixSeconds()
    {
        TwoSessions f;
        f.fakes.resolver.hosts.remove(QStringLiteral("main2.second.example"));
        f.form2->nameedit = QStringLiteral("a.second.example");
        f.form2->passedit = QStringLiteral("secret");
        f.form2->Button1Click();
        QCOMPARE(f.form2->Timer4.interval(), 6000);
        QCOMPARE(f.form->dlrz->line(1), Messages::Secondary::sendFailed(LanguageCode::Jt));
    }
};

QTEST_MAIN(TestSecondarySession)
#include "TestSecondarySession.moc"
