#include "LoginFixture.h"

#include "app/WindowSet.h"
#include "fakes/HostMappingHttpClient.h"
#include "fakes/ScriptedHttpServer.h"
#include "fakes/ThreadedWebSite.h"
#include "messages/Messages.h"
#include "messages/TimeStamps.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QStackedWidget>

class TestPrimarySession : public QObject
{
    Q_OBJECT

private slots:
    void loginButtonLeavesExactlyOnePendingSend()
    {
        LoginFixture f;
        WindowFixture secondary;
        TForm2 form2(f.fakes.platform(), f.session);
        f.form->nameedit->setText("  a.kelvane.example ");
        f.form->Timer9.setInterval(3000);
        f.form->Button4Click();
        f.form->Button4Click();
        QCOMPARE(f.form->Timer4.interval(), 10);
        QCOMPARE(f.form->Timer9.interval(), 0);
        QCOMPARE(f.form->nameedit->text(), QString("a.kelvane.example"));
        QCOMPARE(form2.nameedit, QString("a.kelvane.example"));
        QCOMPARE(form2.passedit, QString("secret"));
        QCOMPARE(form2.Timer2.interval(), 10);
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 1, 5000);
        QTest::qWait(100);
        QCOMPARE(f.ordinary.received.size(), 1);
        QCOMPARE(f.form->Timer4.interval(), 15000); // resent later only when no answer comes
    }

    void retryTimerResendsTheSameLogin()
    {
        LoginFixture f;
        f.form->Timer4Timer();
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 1, 5000);
        f.form->Timer4Timer();
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 2, 5000);
        QCOMPARE(f.ordinary.received.at(0).bytes, f.ordinary.received.at(1).bytes);
    }

    void loginWithAutoLoginClearLeavesTheStoredCredentials()
    {
        LoginFixture f;
        const QByteArray before = f.read("vkl.ini");
        f.form->Button4Click();
        QCOMPARE(f.read("vkl.ini"), before);
        QCOMPARE(f.fakes.keyStore.size(), 0);
        f.form->zddr->setChecked(true);
        f.form->passedit->setText("other1");
        f.form->Button4Click();
        QCOMPARE(f.fakes.keyStore.value("vkl02"), std::optional<QString>("oth***"));
    }

    void startUpLoginRunsOnlyWithAutoLogin()
    {
        LoginFixture f;
        f.form->Timer1Timer();
        QCOMPARE(f.form->Timer4.interval(), 0);
        QCOMPARE(f.form->Timer1.interval(), 0);

        f.form->zddr->setChecked(true);
        f.session.settingsLines[SettingsLine::ResolveLocal] = "1";
        f.form->Timer1.setInterval(1000);
        f.form->Timer1Timer();
        QCOMPARE(f.form->Timer4.interval(), 100);
        QVERIFY(f.session.iptype);
        QCOMPARE(f.form->dlrz->line(0), Messages::startupLoginSent(longTime(f.fakes.clock.time)));
    }

    void startUpLoginWithAnEmptyMultiUserListSwitchesMultiUserOff()
    {
        LoginFixture f;
        f.form->zddr->setChecked(true);
        f.form->CheckBox1->setChecked(true);
        f.form->Button5Click();
        QCOMPARE(f.session.settingsLines.at(SettingsLine::MultiUser), QString("0"));
        QVERIFY(f.read("vkl.ini").contains("\r\n0\r\n"));
        QCOMPARE(f.form->Timer4.interval() + f.form->Timer7.interval(), 0);
        f.form->Button5Click();
        QCOMPARE(f.form->Timer4.interval(), 100); // the form's own domain this time

        f.session.settingsLines[SettingsLine::MultiUser] = "1";
        f.session.setMultiUserLines({"m.kelvane.example$$$********"});
        f.form->Button5Click();
        QCOMPARE(f.form->Timer7.interval(), 100);
        QCOMPARE(f.form->listIndex, 0);
    }

    void startUpSequenceArmsTheSecondaryWindowToo()
    {
        LoginFixture f;
        WindowSet windows(f.fakes.platform(), f.shell);
        windows.Form1.nameedit->setText("a.kelvane.example");
        windows.Form1.passedit->setText("secret");
        windows.Form1.Button5Click();
        QCOMPARE(windows.Form2.Timer5.interval(), 10);
    }

    void advancedPanelLinksAndTheLoginButtonSwitchPanels()
    {
        LoginFixture f;
        auto* stack = f.form->findChild<QStackedWidget*>();
        f.form->Label8Click();
        QCOMPARE(stack->currentWidget(), f.form->Panel8);
        f.form->Button4Click();
        QCOMPARE(stack->currentWidget(), static_cast<QWidget*>(f.form->dlrz));
    }

    void consistencyCheckOutcomes()
    {
        const QString first = "http://www.kelvane.example/ips.asp";
        const QString second = "http://main.kelvane.example/ips.asp";
        {
            LoginFixture f;
            QCOMPARE(f.form->Timer14.interval(), 30000);
            f.fakes.http.pages.insert(first, "198.51.100.7");
            f.form->Timer14Timer();
            QTRY_VERIFY(!f.form->webRequestsPending());
            QCOMPARE(f.fakes.http.requested, (QStringList{first, second}));
            QVERIFY(f.form->Edit1.isEmpty() && f.form->Edit5.isEmpty());
            QCOMPARE(f.form->Timer14.interval(), 900000);
        }
        {
            LoginFixture f;
            f.fakes.http.pages.insert(first, QByteArray("198.51.100.7\0junk", 17));
            f.fakes.http.pages.insert(second, "198.51.100.7");
            f.form->Timer4.setInterval(15000);
            f.form->Timer14Timer();
            QTRY_VERIFY(!f.form->webRequestsPending());
            QCOMPARE(f.form->Edit1, QString("198.51.100.7"));
            QCOMPARE(f.form->Timer14.interval(), 0);
            QCOMPARE(f.form->Timer15.interval(), 0);
            QCOMPARE(f.form->Timer4.interval(), 15000);
        }
        {
            LoginFixture f;
            f.fakes.http.pages.insert(first, "198.51.100.7");
            f.fakes.http.pages.insert(second, "198.51.100.8");
            f.form->Timer4.setInterval(15000);
            f.form->Timer14Timer();
            QTRY_VERIFY(!f.form->webRequestsPending());
            QCOMPARE(f.form->Timer4.interval(), 0);
            QCOMPARE(f.form->Timer15.interval(), 50);
            f.form->Timer15Timer();
            QCOMPARE(f.form->dlrz->line(0), Messages::noPublicAddress());
            QCOMPARE(f.form->Timer15.interval(), 5000);
            f.form->Button4Click(); // a login started meanwhile is cut off at the next tick
            QCOMPARE(f.form->Timer4.interval(), 10);
            f.form->Timer15Timer();
            QCOMPARE(f.form->Timer4.interval(), 0);
        }
    }

    void consistencyCheckAgainstTheFakeWebSite()
    {
        ThreadedWebSite provider({{"/ips.asp", ScriptedHttpServer::ok("198.51.100.7")}});
        ThreadedWebSite server({{"/ips.asp", ScriptedHttpServer::ok("198.51.100.9")}});
        WindowFixture f;
        HostMappingHttpClient http({{"www.kelvane.example", provider.hostAndPort()},
                                    {"main.kelvane.example", server.hostAndPort()}});
        TForm1 form(f.fakes.platformWith(http), f.shell, f.session);
        form.Timer14Timer();
        QTRY_VERIFY(!form.webRequestsPending());
        QCOMPARE(form.Edit1, QString("198.51.100.7"));
        QCOMPARE(form.Edit5, QString("198.51.100.9"));
        QCOMPARE(form.Timer15.interval(), 50);
    }
};

QTEST_MAIN(TestPrimarySession)
#include "TestPrimarySession.moc"
