#include "WindowFixture.h"

#include "ProgramWindows.h"
#include "daemon/AppTitle.h"
#include "daemon/SingleInstance.h"
#include "daemon/TerminationSignals.h"
#include "fakes/SavedLoginFiles.h"
#include "fakes/ScriptedHostResolver.h"
#include "messages/Messages.h"
#include "registration/StoredPassword.h"
#include "settings/SettingsLines.h"
#include "ui/ClockLabel.h"
#include "ui/EventLog.h"
#include "ui/StatusPanels.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QTimer>

#include <csignal>
#include <sys/stat.h>

// A window that hides instead of closing, as the port mapping window does.
class RefusesToClose : public QWidget
{
protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

// The reason comes from the file system; the window picks the message, its language and the file.
static bool toldUnreadable(const QString& told, const QString& file)
{
    const QString marker(QChar(0x1));
    const QStringList around = Messages::readFailed(LanguageCode::Jt, file, marker).split(marker);
    return around.size() == 2 && told.startsWith(around.first()) && told.endsWith(around.last()) &&
           told.size() > around.first().size() + around.last().size();
}

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void titleFollowsTheSystemLanguage()
    {
        QCOMPARE(applicationTitle(2052), QString("Kelvane2.0"));
        QCOMPARE(applicationTitle(1028), QString("Kelvane2.0"));
        QCOMPARE(applicationTitle(3076), QString("Kelvane2.0"));
        QCOMPARE(applicationTitle(1033), QString("RARA2.0"));
    }

    void secondInstanceIsToldAndRefused()
    {
        FakeInstanceLock lock;
        FakeMessageBoxes boxes;
        const QString folder = QStringLiteral("/home/u/.local/share/kelvane");
        QCOMPARE(claimSingleInstance(lock, boxes, "RARA2.0", folder), LockOutcome::Taken);
        QVERIFY(boxes.shown.isEmpty());
        lock.held << folder;
        QCOMPARE(claimSingleInstance(lock, boxes, "Kelvane2.0", folder), LockOutcome::HeldElsewhere);
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.first().first, QString("Kelvane2.0"));
        QCOMPARE(boxes.shown.first().second, Messages::secondInstance());
    }

    void firstStartCreatesTheThreeFiles()
    {
        WindowFixture f;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        QCOMPARE(f.read("vkl.ini"), QByteArray(" \r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"));
        QCOMPARE(f.read("vkldomain.ini"), QByteArray());
        const QList<QByteArray> zones = f.read("yuming.ini").split('\n');
        QCOMPARE(zones.size(), 22); // 21 lines, each ended by CR LF
        QCOMPARE(zones.first(), QByteArray("kelvane.example\r"));
        struct stat info
        {
        };
        QCOMPARE(stat(QFile::encodeName(f.path("vkl.ini")).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
        QVERIFY(!control<QCheckBox>(windows.Form1, "zddr").isChecked());
        QVERIFY(f.fakes.messageBoxes.shown.isEmpty());
    }

    void existingFilesAreLoadedAndShortSettingsPadded()
    {
        WindowFixture f;
        f.write("vkl.ini", "abc.example###*****cret\r\n1\r\n1");
        f.write("yuming.ini", "one.example\r\ntwo.example\r\n");
        f.write("vkldomain.ini", "x.kelvane.example$$$********\r\n");
        (void)f.fakes.keyStore.setValue("vkl01", "ab***");
        (void)f.fakes.keyStore.setValue("vkl02", "se***");
        (void)f.fakes.keyStore.setValue("x.kelvane.example", StoredPassword::encode("xpass", u'1', u'2'));
        ProgramWindows windows(f.fakes.platform(), f.shell);
        TForm1& form = windows.Form1;
        QCOMPARE(windows.state.zoneList(), (QStringList{"one.example", "two.example"}));
        QCOMPARE(control<QPlainTextEdit>(form, "Memo2").toPlainText(),
                 QString("x.kelvane.example$$$********"));
        QCOMPARE(windows.state.settingsLines().size(), 7);
        QVERIFY(control<QCheckBox>(form, "CheckBox1").isChecked());
        QVERIFY(control<QCheckBox>(form, "CheckBox5").isChecked());
        QVERIFY(windows.state.iptype());
        // Restoring ticked the auto-login box, which in multi-user mode takes the
        // list's first domain and its password into the form and saves them as
        // the credentials.
        QCOMPARE(control<QLineEdit>(form, "nameedit").text(), QString("x.kelvane.example"));
        QCOMPARE(control<QLineEdit>(form, "passedit").text(), QString("xpass"));
        QCOMPARE(f.read("vkl.ini"),
                 QByteArray("kelvane.example###*****ss\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n"));
    }

    void savedCredentialsReachBothWindowsInCreationOrder()
    {
        WindowFixture f;
        QVERIFY(saveLoginFiles(f.fakes.keyStore, f.folder.path(), "ab.kelvane.example", "secret"));
        ProgramWindows windows(f.fakes.platform(), f.shell);
        QCOMPARE(control<QLineEdit>(windows.Form1, "nameedit").text(), QString("ab.kelvane.example"));
        QCOMPARE(control<QLineEdit>(windows.Form1, "passedit").text(), QString("secret"));
        QVERIFY(control<QCheckBox>(windows.Form1, "zddr").isChecked());
        QCOMPARE(windows.engine.secondary().domain(), QString("ab.kelvane.example"));
        QCOMPARE(windows.engine.secondary().password(), QString("secret"));
        QVERIFY(windows.engine.secondaryStartupTimer.isRunning());
    }

    void startWithoutTheKeyStorePartKeepsTheSavedCredentials()
    {
        WindowFixture f;
        const QByteArray settings("ample.kelvane.example###*****sword\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
        f.write("vkl.ini", settings);
        ProgramWindows windows(f.fakes.platform(), f.shell);
        TForm1& form = windows.Form1;
        QVERIFY(control<QLineEdit>(form, "nameedit").text().isEmpty());
        QVERIFY(control<QLineEdit>(form, "passedit").text().isEmpty());
        QVERIFY(control<QCheckBox>(form, "zddr").isChecked());
        QCOMPARE(control<EventLog>(form, "dlrz").lineCount(), 4);
        QVERIFY(control<EventLog>(form, "dlrz")
                    .line(3)
                    .endsWith(Messages::savedCredentialsIncomplete(LanguageCode::Jt)));
        windows.engine.startupLoginTimer.fire();
        QCOMPARE(f.read("vkl.ini"), settings);
        QVERIFY(!f.fakes.keyStore.value("vkl01"));
        QCOMPARE(windows.engine.secondary().domain(), QString("yourname.kelvane.example"));
    }

    void anUnusableSavedLoginIsToldAndKept_data()
    {
        QTest::addColumn<QString>("unreadable");
        QTest::addColumn<QString>("told");
        QTest::newRow("key store unreadable")
            << "cannot read /k: denied"
            << Messages::savedCredentialsUnreadable(LanguageCode::Jt, "cannot read /k: denied");
        QTest::newRow("halves of two logins") << "" << Messages::savedCredentialsMismatched(LanguageCode::Jt);
    }

    void anUnusableSavedLoginIsToldAndKept()
    {
        QFETCH(QString, unreadable);
        WindowFixture f;
        QVERIFY(saveLoginFiles(f.fakes.keyStore, f.folder.path(), "ab.kelvane.example", "secret"));
        const QByteArray settings("ample.kelvane.example###*****sword\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
        f.write("vkl.ini", settings); // line 0 of another login, as a cut-short save leaves it
        f.fakes.keyStore.unreadable = unreadable;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        TForm1& form = windows.Form1;
        QVERIFY(control<QLineEdit>(form, "nameedit").text().isEmpty());
        QVERIFY(control<QCheckBox>(form, "zddr").isChecked());
        QFETCH(QString, told);
        QVERIFY(control<EventLog>(form, "dlrz").line(3).endsWith(told));
        windows.engine.startupLoginTimer.fire();
        QCOMPARE(f.read("vkl.ini"), settings);
        QCOMPARE(windows.engine.secondary().domain(), QString("yourname.kelvane.example"));
    }

    void blankCredentialLineRestoresNothing()
    {
        WindowFixture f;
        f.write("vkl.ini", " \r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
        (void)f.fakes.keyStore.setValue("vkl01", "ab***");
        ProgramWindows windows(f.fakes.platform(), f.shell);
        QVERIFY(!control<QCheckBox>(windows.Form1, "zddr").isChecked());
        QVERIFY(control<QLineEdit>(windows.Form1, "nameedit").text().isEmpty());
        QCOMPARE(windows.engine.secondary().domain(), QString("yourname.kelvane.example"));
    }

    void creationStateAndTimers()
    {
        WindowFixture f;
        f.fakes.language.id = 3076;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        TForm1& form = windows.Form1;
        QCOMPARE(windows.engine.languageCode(), LanguageCode::Ft);
        QCOMPARE(form.advertisementInterval, 1200000);
        QCOMPARE(form.Timer2.interval(), 1000);
        QCOMPARE(form.Timer3.interval(), 1000);
        QCOMPARE(control<EventLog>(form, "dlrz").line(0), Messages::initial());
        QCOMPARE(control<StatusPanels>(form, "StatusBar1").panelText(1), QString("Kelvane DDNS 2.0"));
        QVERIFY(control<ClockLabel>(form, "Label18").text().endsWith("    "));
        QCOMPARE(control<QLabel>(form, "Label5").text(), QString("127.0.0.1   "));
        QCOMPARE(form.size(), QSize(912, 605));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    void startsInThePortMappingWindowsTrayAndItsIconRestores()
    {
        WindowFixture f;
        f.shell.trayAvailable = [] { return true; };
        ProgramWindows windows(f.fakes.platform(), f.shell);
        windows.start();
        TForm1& form = windows.Form1;
        auto& icon = control<QSystemTrayIcon>(windows.Form111, "TrayIcon1");
        QVERIFY(!form.isVisible());
        QVERIFY(windows.Form111.isInTray());
        QVERIFY(!form.isInTray());
        emit windows.engine.primary().loginSent(); // the icon says what the engine does
        QVERIFY(icon.toolTip().startsWith("vore2008\n主DNS: 正在登录\n"));
        emit icon.activated(QSystemTrayIcon::Trigger);
        QVERIFY(windows.Form111.isInTray()); // not inside the icon's own event
        QTRY_VERIFY(form.isVisible());
        QVERIFY(!form.isMinimized());
        QVERIFY(!windows.Form111.isVisible());
        QVERIFY(!windows.Form111.isInTray());

        // Its menu as a tray host runs it: all ways out restore; "退出" closes only this window.
        TForm111& mapping = windows.Form111;
        QMenu* menu = icon.contextMenu();
        for (const auto& [pick, mappingShown] :
             {std::pair{0, true}, std::pair{-1, true}, std::pair{1, false}}) {
            form.N14Click();
            f.shell.minimize();
            emit icon.activated(QSystemTrayIcon::Context);
            menu->popup(QPoint(20, 20));
            if (pick < 0)
                QTest::keyClick(menu, Qt::Key_Escape);
            else
                QTest::mouseClick(menu, Qt::LeftButton, {},
                                  menu->actionGeometry(menu->actions().at(pick)).center());
            QTRY_VERIFY(form.isVisible());
            QCOMPARE(mapping.isVisible(), mappingShown);
            QVERIFY(!mapping.isInTray());
        }
    }

    void withoutANotificationAreaStartsShownAtNormalSize()
    {
        WindowFixture f;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        windows.start();
        QVERIFY(windows.Form1.isVisible());
        QCOMPARE(windows.Form1.windowState(), Qt::WindowNoState);
        QVERIFY(!windows.Form1.isInTray());
        QVERIFY(!windows.Form111.isVisible());
    }

    void unwritableFolderIsReportedAndTheProgramRuns()
    {
        WindowFixture f;
        f.write("plain", "not a folder");
        FakePlatform fakes(f.path("plain"));
        ProgramWindows windows(fakes.platform(), f.shell);
        QVERIFY(!fakes.messageBoxes.shown.isEmpty());
        QCOMPARE(fakes.messageBoxes.shown.first().first, QString("Kelvane2.0"));
        QVERIFY(fakes.messageBoxes.shown.first().second.contains("vkldomain.ini"));
        QCOMPARE(windows.state.zoneList().size(), 21); // the built-in list is still in use
        QCOMPARE(f.read("plain"), QByteArray("not a folder"));
    }

    void unreadableFilesAreNeverOverwritten()
    {
        WindowFixture f;
        const QByteArray settings(".kelvane.example###*****cret\r\n1\r\n0\r\n0\r\n0\r\n6\r\n0\r\n");
        const QByteArray list("b.kelvane.example$$$********\r\n");
        f.write("vkl.ini", settings);
        f.write("vkldomain.ini", list);
        for (const char* name : {"vkl.ini", "vkldomain.ini"})
            QFile::setPermissions(f.path(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        {
            const UnreadableFiles unreadable(f.folder.path(), {f.path("vkl.ini"), f.path("vkldomain.ini")});
            ProgramWindows windows(f.fakes.platform(), f.shell);
            TForm1& form = windows.Form1;
            QCOMPARE(windows.state.settingsLines(), defaultSettingsLines());
            QCOMPARE(f.fakes.messageBoxes.shown.size(), 2);
            QVERIFY(toldUnreadable(f.fakes.messageBoxes.shown.at(0).second, "vkldomain.ini"));
            QVERIFY(toldUnreadable(f.fakes.messageBoxes.shown.at(1).second, "vkl.ini"));
            form.FormShow();
            control<QCheckBox>(form, "CheckBox1").setChecked(true); // writes the settings, were they writable
            control<QLineEdit>(form, "nameedit").setText("a.kelvane.example");
            control<QLineEdit>(form, "passedit").setText("secret");
            control<QCheckBox>(form, "zddr").setChecked(true);
            QCOMPARE(f.fakes.messageBoxes.shown.size(), 2);
            QVERIFY(!f.fakes.keyStore.value("vkl01"));
        }
        QCOMPARE(f.read("vkl.ini"), settings);
        QCOMPARE(f.read("vkldomain.ini"), list);
        QVERIFY(f.read("yuming.ini").startsWith("kelvane.example\r\n")); // a missing file is still created
    }

    void closingThePrimaryWindowEndsTheLoopWithExitCodeZero()
    {
        WindowFixture f;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        windows.start();
        QTimer::singleShot(0, &windows.Form1, [&] { windows.Form1.close(); });
        QCOMPARE(QApplication::exec(), 0);
    }

    void closingEndsTheLoopWhileAnotherWindowRefusesToClose()
    {
        WindowFixture f;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        windows.start();
        windows.Form111.show();
        RefusesToClose other;
        other.show();
        QTimer::singleShot(0, &windows.Form1, [&] { windows.Form1.close(); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(other.isVisible());
    }

    void terminationSignalEndsTheLoopLikeClosingAndHangUpReloads()
    {
        int terminations = 0;
        int reloads = 0;
        const TerminationSignals termination(
            [&terminations] {
                ++terminations;
                QApplication::quit();
            },
            [&reloads] { ++reloads; });
        QTimer::singleShot(0, [] { ::raise(SIGHUP); });
        QTimer::singleShot(50, [] { ::raise(SIGTERM); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(reloads, 1);
        QCOMPARE(terminations, 1);
    }

    void closingWhileALoginWaitsForItsLookUpStillEndsCleanly()
    {
        WindowFixture f;
        ScriptedHostResolver resolver; // holds every look-up
        ProgramWindows windows(f.fakes.platformWith(resolver), f.shell);
        windows.engine.setFormCredentials("a.kelvane.example", "secret");
        QTimer::singleShot(0, &windows.Form1, [&] { windows.engine.primary().sendLogin(); });
        QTimer::singleShot(20, &windows.Form1, [&] { windows.Form1.close(); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(resolver.held(), 1); // closed under the waiting send, which then sent nothing
    }
};

QTEST_MAIN(TestStartup)
#include "TestStartup.moc"
