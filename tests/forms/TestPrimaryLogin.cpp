#include "LoginFixture.h"

#include "fakes/ScriptedHostResolver.h"
#include "messages/Messages.h"
#include "messages/TimeStamps.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"
#include "ui/StatusPanels.h"

#include <QCheckBox>
#include <QLabel>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>

#include <sys/stat.h>

namespace {

// The history stamp of a login by a.kelvane.example, timed by the fake clock.
Messages::LoginStamp stampOf(const LoginFixture& f, const QString& replyDomain, const QString& displayAddress,
                             const QString& expiry)
{
    const QDateTime& now = f.fakes.clock.time;
    return {replyDomain, displayAddress, shortDate(now), longTime(now), QStringLiteral("a.kelvane.example"),
            expiry};
}

} // namespace

class TestPrimaryLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        LoginFixture f;
        QVERIFY2(f.serversListening(), "the fake DNS server ports 9824, 9822 and 9715 must be free");
    }

    void loginDatagramsReachTheServerByteExact()
    {
        LoginFixture f;
        QVERIFY(f.loginWith({}, f.ordinary));
        QCOMPARE(f.ordinary.received.last().bytes, QByteArray("verarod47a.kelvane.example&&&secret&&&no&&&"));
        QCOMPARE(f.form->Label5->text(), QString("192.0.2.10"));
        QCOMPARE(f.form->dlrz->line(0), Messages::loginSent(longTime(f.fakes.clock.time)));
        QCOMPARE(f.form->Timer4.interval(), 15000);

        f.session.iptype = true;
        f.form->passedit->setText(QStringLiteral("密码"));
        QVERIFY(f.loginWith({}, f.ordinary));
        QCOMPARE(f.ordinary.received.last().bytes,
                 QByteArray("verarod47a.kelvane.example&&&\xC3\xDC\xC2\xEB&&&ip192.0.2.10&&&"));

        f.form->CheckBox2->setChecked(true);
        f.form->Edit4->setText("203.0.113.5");
        QVERIFY(f.loginWith({}, f.ordinary));
        QVERIFY(f.ordinary.received.last().bytes.endsWith("&&&ip203.0.113.5&&&"));
    }

    void serverAndPortFollowZoneAndAccount()
    {
        LoginFixture f;
        f.form->nameedit->setText("x.unlisted.example");
        QVERIFY(f.loginWith({}, f.designated));
        f.form->nameedit->setText("a.kelvane.example");
        f.session.settingsLines[SettingsLine::AccountType] = "6";
        QVERIFY(f.loginWith({}, f.paying));
        QCOMPARE(f.form->primaryServerHost, QString("main.kelvane.example"));
    }

    void invalidFixedAddressSendsNothing()
    {
        LoginFixture f;
        f.form->CheckBox2->setChecked(true);
        f.form->Edit4->setText("1.2.3.4&&&x");
        f.form->Button1Click();
        QTest::qWait(50);
        QVERIFY(f.ordinary.received.isEmpty());
        QCOMPARE(f.form->StatusBar1->panelText(0), f.form->dlrz->line(0));
        QCOMPARE(f.form->dlrz->line(0), Messages::fixedAddressInvalid(LanguageCode::Jt));
        QCOMPARE(f.form->Timer4.interval(), 15000); // tried again later, once the field may be fixed
    }

    void unresolvableServerIsASendFailureRetriedInSixSeconds()
    {
        LoginFixture f;
        f.fakes.resolver.hosts.clear();
        f.form->Button1Click();
        QCOMPARE(f.form->StatusBar1->panelText(0), Messages::sendFailed(LanguageCode::Jt));
        QCOMPARE(f.form->dlrz->line(0), Messages::sendFailed(LanguageCode::Jt));
        QCOMPARE(f.form->Timer4.interval(), 6000);
    }

    void payingUserSuccess()
    {
        LoginFixture f;
        QVERIFY(f.loginWith("dengluok012a.kelvane.example&&&198.51.100.7&&&sj2027-01-01end", f.ordinary));
        QTRY_COMPARE(f.form->wgip, QString("198.51.100.7"));
        const QString time = longTime(f.fakes.clock.time);
        QCOMPARE(f.form->Timer4.interval(), 0);
        QCOMPARE(f.form->Label7->text(), QString("198.51.100.7"));
        QCOMPARE(f.form->dlrz->line(2), Messages::payingUser());
        QCOMPARE(f.form->StatusBar1->panelText(0), Messages::loginSucceeded(LanguageCode::Jt, time));
        QCOMPARE(f.form->dlrz->line(0), Messages::loginSucceeded(LanguageCode::Jt, time));
        QCOMPARE(
            f.form->dlrz->line(3),
            Messages::successHistory(
                LanguageCode::Jt, stampOf(f, "a.kelvane.example",
                                          Messages::outsideAddressPrefix(LanguageCode::Jt) + "198.51.100.7",
                                          Messages::expiryPrefix() + "2027-01-01")));
        QVERIFY(f.read("vkl.ini").contains("\r\n6\r\n0\r\n"));
        QCOMPARE(f.form->Timer5.interval(), 15000); // the previous public address was not ours
        QCOMPARE(f.form->Timer9.interval(), 0);
    }

    void successInTraditionalChineseAndEnglish()
    {
        {
            LoginFixture f(3076);
            f.session.iptype = true;
            QVERIFY(f.loginWith("dengluok112a.kelvane.example&&&198.51.100.7&&&sj.end", f.ordinary));
            QTRY_COMPARE(f.form->wgip, QString("198.51.100.7"));
            QCOMPARE(f.form->StatusBar1->panelText(0),
                     Messages::loginSucceeded(LanguageCode::Ft, longTime(f.fakes.clock.time)));
            QCOMPARE(f.form->dlrz->line(2), Messages::freeUser());
            QCOMPARE(
                f.form->dlrz->line(3),
                Messages::successHistory(
                    LanguageCode::Ft, stampOf(f, "a.kelvane.example",
                                              Messages::localAddressPrefix(LanguageCode::Ft) + "192.0.2.10",
                                              "."))); // "." has no prefix
        }
        {
            LoginFixture f(1033);
            QVERIFY(f.loginWith("dengluok512a.kelvane.example&&&198.51.100.7&&&", f.ordinary));
            QTRY_COMPARE(f.form->wgip, QString("198.51.100.7"));
            QCOMPARE(f.form->dlrz->line(3),
                     Messages::successHistory(
                         LanguageCode::Et,
                         stampOf(f, "a.kelvane.example",
                                 Messages::outsideAddressPrefix(LanguageCode::Et) + "198.51.100.7", {})));
            QCOMPARE(f.form->dlrz->line(2), Messages::testUser());
        }
    }

    void repeatLandingLinesInTheThreeLanguages()
    {
        const QByteArray reply = "dengluok112Repeat landing&&&198.51.100.7&&&sj2027end";
        for (int id : {2052, 1028, 1033}) {
            LoginFixture f(id);
            QVERIFY(f.loginWith(reply, f.ordinary));
            QTRY_COMPARE(f.form->wgip, QString("198.51.100.7"));
            const LanguageCode language = languageCodeFor(id);
            QCOMPARE(f.form->dlrz->line(3),
                     Messages::repeatedLoginHistory(
                         language, stampOf(f, "Repeat landing",
                                           Messages::outsideAddressPrefix(language) + "198.51.100.7",
                                           Messages::expiryPrefix() + "2027")));
            const QString when = shortDate(f.fakes.clock.time) + " " + longTime(f.fakes.clock.time);
            QVERIFY(f.form->statusText.contains(when)); // the repeat line, without the expiry
            QVERIFY(!f.form->statusText.contains("2027"));
        }
    }

    void nextStepAfterSuccess()
    {
        const QByteArray reply = "dengluok112a.kelvane.example&&&198.51.100.7&&&";
        {
            LoginFixture f;
            f.form->CheckBox5->setChecked(true);
            QVERIFY(f.loginWith(reply, f.ordinary));
            QTRY_COMPARE(f.form->Timer9.interval(), 3000);
        }
        {
            LoginFixture f;
            f.form->wgip = f.fakes.localAddress.address; // directly on the Internet
            QVERIFY(f.loginWith(reply, f.ordinary));
            QTRY_COMPARE(f.form->Timer9.interval(), 3000);
        }
        {
            LoginFixture f;
            f.session.settingsLines[SettingsLine::MultiUser] = "1";
            QVERIFY(f.loginWith(reply, f.ordinary));
            QTRY_COMPARE(f.form->Timer7.interval(), 10);
        }
        {
            LoginFixture f;
            f.form->CheckBox2->setChecked(true);
            f.form->Edit4->setText("203.0.113.5");
            QVERIFY(f.loginWith(reply, f.ordinary));
            QTRY_COMPARE(f.form->wgip, QString("198.51.100.7"));
            QCOMPARE(f.form->Timer5.interval() + f.form->Timer7.interval() + f.form->Timer9.interval(), 0);
            QCOMPARE(
                f.form->dlrz->line(3),
                Messages::successHistory(LanguageCode::Jt, stampOf(f, "a.kelvane.example", "203.0.113.5",
                                                                   {}))); // a fixed address has no prefix
        }
    }

    void accountCodesOpenTheirPages()
    {
        LoginFixture f;
        QVERIFY(f.loginWith("dengluok912a.kelvane.example&&&1.2.3.4&&&", f.ordinary));
        QTRY_COMPARE(f.fakes.browser.opened.size(), 1);
        QVERIFY(f.loginWith("dengluoka12a.kelvane.example&&&1.2.3.4&&&###7", f.ordinary));
        QTRY_COMPARE(f.fakes.browser.opened.size(), 2);
        QVERIFY(f.loginWith("dengluokb12a.kelvane.example&&&1.2.3.4&&&###&", f.ordinary));
        QTRY_COMPARE(f.fakes.browser.opened.size(), 3);
        QCOMPARE(f.fakes.browser.opened,
                 (QStringList{"http://main.kelvane.example/tixing.asp?aaa=stop",
                              "http://main.kelvane.example/tixing.asp?id=a&aaa=7",
                              "http://main.kelvane.example/tixing.asp?id=b&aaa=%26"}));
        QVERIFY(f.read("vkl.ini").contains("\r\n0\r\n0\r\n0\r\n0\r\n0\r\n")); // line 5 "0"
    }

    void disabledReply()
    {
        LoginFixture f;
        QVERIFY(f.loginWith("stopfuwu", f.ordinary));
        QTRY_COMPARE(f.form->dlrz->line(0), Messages::domainDisabled());
        QCOMPARE(f.form->Timer4.interval(), 0);
        QCOMPARE(f.form->wgip, QString("wgip"));
    }

    void notRegisteredReplyOpensTheRegistrationPageEncoded()
    {
        for (int id : {2052, 3076, 1033}) {
            LoginFixture f(id);
            f.form->passedit->setText("p&q #");
            QVERIFY(f.loginWith("nzhuceyonghu4", f.ordinary));
            QTRY_COMPARE(f.fakes.browser.opened.size(), 1);
            QCOMPARE(f.fakes.browser.opened.first(),
                     QString("http://main.kelvane.example/"
                             "kaitong1.asp?aaa=4&login=a.kelvane.example&passwd=p%26q%20%23"));
            QCOMPARE(f.form->Timer4.interval(), 0);
            const LanguageCode language = languageCodeFor(id);
            const QString time = longTime(f.fakes.clock.time);
            QCOMPARE(f.form->dlrz->line(3),
                     Messages::loginFailedHistory(language, shortDate(f.fakes.clock.time), time,
                                                  "a.kelvane.example"));
            QCOMPARE(f.form->StatusBar1->panelText(0), Messages::notRegistered(language));
            QCOMPARE(f.form->statusText, Messages::loginFailed(language));
            QCOMPARE(f.form->dlrz->line(0), Messages::loginSent(time));
        }
    }

    void repliesFromAnotherAddressAreIgnored()
    {
        LoginFixture f;
        QVERIFY(f.loginWith({}, f.ordinary));
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        for (const QByteArray& reply :
             {QByteArray("dengluok912<b>x</b>&&&6.6.6.6&&&"), QByteArray("stopfuwu"),
              QByteArray("dengluok012a.kelvane.example&&&6.6.6.6&&&"), QByteArray("nzhuceyonghu4")})
            stranger.writeDatagram(reply, QHostAddress::LocalHost, LoginExchange::localPort);
        QTest::qWait(300);
        QVERIFY(f.fakes.browser.opened.isEmpty());
        QCOMPARE(f.form->Timer4.interval(), 15000);
        QCOMPARE(f.form->wgip, QString("wgip"));
        QCOMPARE(f.session.settingsLines.at(SettingsLine::AccountType), QString("0"));
        QCOMPARE(f.form->dlrz->lineCount(), 3);
    }

    // A flood of replies from the server's own address must not become a flood
    // of history lines and settings writes: one login, one reply.
    void aLoginCountsOneReplyFromTheServersPortOnly()
    {
        LoginFixture f;
        const QByteArray reply("dengluok112a.kelvane.example&&&198.51.100.7&&&");
        QVERIFY(f.loginWith({}, f.ordinary));
        QUdpSocket otherPort;
        QVERIFY(otherPort.bind(QHostAddress::LocalHost, 0));
        otherPort.writeDatagram(reply, QHostAddress::LocalHost, LoginExchange::localPort);
        QTest::qWait(100);
        QCOMPARE(f.form->Timer4.interval(), 15000);

        const quint16 port = f.ordinary.received.last().sourcePort;
        for (int i = 0; i < 20; ++i)
            f.ordinary.sendTo(port, reply);
        QTRY_COMPARE(f.form->Timer4.interval(), 0);
        QTest::qWait(200);
        QCOMPARE(f.form->dlrz->lineCount(), 4);

        // The next success saves the same settings: the file is left as it is.
        struct stat before = {};
        QCOMPARE(::stat(QFile::encodeName(f.path("vkl.ini")).constData(), &before), 0);
        QVERIFY(f.loginWith(reply, f.ordinary));
        QTRY_COMPARE(f.form->dlrz->lineCount(), 5);
        struct stat after = {};
        QCOMPARE(::stat(QFile::encodeName(f.path("vkl.ini")).constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
    }

    void aRepeatedReplyOpensItsPageOnceInTenSeconds()
    {
        LoginFixture f;
        const QByteArray reply("dengluok912a.kelvane.example&&&<font size=7>1.2.3.4&&&");
        QVERIFY(f.loginWith(reply, f.ordinary));
        QTRY_COMPARE(f.fakes.browser.opened.size(), 1);
        QCOMPARE(f.form->Label7->textFormat(), Qt::PlainText); // the address is shown, not drawn as markup
        QVERIFY(f.loginWith(reply, f.ordinary));
        QTRY_COMPARE(f.form->dlrz->lineCount(), 5);
        QCOMPARE(f.fakes.browser.opened.size(), 1);
        f.fakes.clock.time = f.fakes.clock.time.addSecs(10);
        QVERIFY(f.loginWith(reply, f.ordinary));
        QTRY_COMPARE(f.fakes.browser.opened.size(), 2);
    }

    void aRetryDuringASlowLookUpIsNoFailure()
    {
        LoginFixture f;
        ScriptedHostResolver resolver; // holds every look-up
        TForm1 form(f.fakes.platformWith(resolver), f.shell, f.session);
        form.nameedit->setText("a.kelvane.example");
        form.passedit->setText("secret");
        QTimer::singleShot(0, &form, [&] {
            QTimer::singleShot(0, &form, [&] {
                form.Timer4Timer(); // fires while the first send waits
                QCOMPARE(form.Timer4.interval(), 15000);
                QVERIFY(!form.dlrz->line(0).contains(Messages::sendFailed(LanguageCode::Jt)));
                resolver.release(ScriptedHostResolver::address(0x7F000001));
            });
            form.Button1Click();
        });
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 1, 5000);
        QCOMPARE(form.Timer4.interval(), 15000);
        QCOMPARE(resolver.asked.size(), 1);
    }

    void garbageRepliesChangeNothing()
    {
        LoginFixture f;
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
        QCOMPARE(f.form->Timer4.interval(), 15000);
        QCOMPARE(f.form->wgip, QString("wgip"));
        QVERIFY(f.fakes.browser.opened.isEmpty());
        QCOMPARE(f.form->dlrz->lineCount(), 3);

        f.ordinary.sendTo(port, "dengluok"); // a success with no fields at all
        QTRY_COMPARE(f.form->Timer4.interval(), 0);
        QCOMPARE(f.form->wgip, QString());
        QCOMPARE(f.form->Label7->text(), QString());
    }
};

QTEST_MAIN(TestPrimaryLogin)
#include "TestPrimaryLogin.moc"
