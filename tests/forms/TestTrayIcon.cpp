#include "WindowFixture.h"

#include "ProgramWindows.h"

#include "registration/LoginExchange.h"
#include "ui/TrayStatus.h"

#include <QSystemTrayIcon>

class TestTrayIcon : public QObject
{
    Q_OBJECT

    static bool looks(QSystemTrayIcon& icon, TrayLook look)
    {
        return icon.icon().pixmap(22, 22).toImage() == trayIcon(look).pixmap(22, 22).toImage();
    }

private slots:
    // The engine's own signals, through the model, to the icon the tray host shows.
    void theTrayIconFollowsTheEngine()
    {
        WindowFixture f;
        ProgramWindows program(f.fakes.platform(), f.shell);
        auto& icon = control<QSystemTrayIcon>(program.Form111, "TrayIcon1");
        LoginSession& primary = program.engine.primary();
        primary.setCredentials("a.example", "pw");
        QVERIFY(icon.toolTip().startsWith("vore2008\n主DNS: 未登录\n"));

        emit primary.loginSent();
        QVERIFY(looks(icon, TrayLook::Trying));
        emit primary.replied({}, LoginExchange::ReplyKind::NotRegistered, {});
        QVERIFY(looks(icon, TrayLook::Failing));
        QVERIFY(icon.toolTip().contains("主DNS: 被拒绝\n"));
        emit primary.replied({}, LoginExchange::ReplyKind::Success, "203.0.113.5");
        QVERIFY(looks(icon, TrayLook::LoggedIn));
        QVERIFY(icon.toolTip().contains("主DNS: 已登录 203.0.113.5\n"));

        program.Form111.setServiceStopped(true);
        QVERIFY(looks(icon, TrayLook::ServiceStopped));
        QCOMPARE(icon.toolTip(), "vore2008\n后台服务已停止");
        program.Form111.setServiceStopped(false);
        QVERIFY(looks(icon, TrayLook::LoggedIn));
    }
};

QTEST_MAIN(TestTrayIcon)
#include "TestTrayIcon.moc"
