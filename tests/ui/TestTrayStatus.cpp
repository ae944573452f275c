#include "engine/EngineModel.h"
#include "ui/TrayIndicator.h"

#include <QSystemTrayIcon>
#include <QTest>

Q_DECLARE_METATYPE(TrayFacts)

namespace {

// Login records "server:domain:state[:address]", space apart, of the login a.example.
TrayFacts facts(const QString& logins, const QString& router = "found", bool stopped = false)
{
    TrayFacts result{{}, "a.example", router, "192.168.1.1", stopped};
    for (const QString& record : logins.split(' ', Qt::SkipEmptyParts)) {
        const QStringList field = record.split(':');
        result.logins.append({field.value(0), field.value(1), field.value(2), field.value(3), 0, {}});
    }
    return result;
}

} // namespace

class TestTrayStatus : public QObject
{
    Q_OBJECT

private slots:
    void theLookTellsTheStateThatMatters_data()
    {
        QTest::addColumn<TrayFacts>("given");
        QTest::addColumn<TrayLook>("look");
        QTest::newRow("nothing known yet") << facts("", "") << TrayLook::Plain;
        QTest::newRow("logged in") << facts("primary:a.example:registered") << TrayLook::LoggedIn;
        QTest::newRow("unanswered, published by the other server")
            << facts("primary:a.example:unanswered secondary:a.example:registered") << TrayLook::LoggedIn;
        QTest::newRow("either server refuses")
            << facts("primary:a.example:registered secondary:a.example:refused") << TrayLook::Failing;
        QTest::newRow("no router") << facts("primary:a.example:registered", "not-found") << TrayLook::NoRouter;
        QTest::newRow("a router of no use") << facts("", "unusable") << TrayLook::NoRouter;
        QTest::newRow("trying outranks no router") << facts("primary:a.example:unanswered", "not-found")
                                                   << TrayLook::Trying;
        QTest::newRow("an older domain's refusal is past")
            << facts("primary:old.example:refused primary:a.example:registered") << TrayLook::LoggedIn;
        QTest::newRow("the service stopped") << facts("primary:a.example:refused", "found", true)
                                             << TrayLook::ServiceStopped;
    }

    void theLookTellsTheStateThatMatters()
    {
        QFETCH(TrayFacts, given);
        QFETCH(TrayLook, look);
        QCOMPARE(trayLookOf(given), look);
    }

    void theToolTipHasALinePerServerAndTheRouter_data()
    {
        QTest::addColumn<TrayFacts>("given");
        QTest::addColumn<LanguageCode>("language");
        QTest::addColumn<QString>("toolTip");
        const TrayFacts published = facts("primary:a.example:registered:203.0.113.5 secondary:a.example:unanswered");
        QTest::newRow("simplified") << published << LanguageCode::Jt
                                    << "vore2008\n主DNS: 已登录 203.0.113.5\n辅DNS: 无应答\n路由器: 已找到 192.168.1.1";
        QTest::newRow("markup or unknown states are not shown")
            << facts("primary:a.example:registered:<b>x</b> secondary:a.example:<i>", "<a href=x>") << LanguageCode::Et
            << "vore2008\nPrimary DNS: logged in\nSecondary DNS: not logged in\nRouter: searching";
        QTest::newRow("the service stopped") << facts("", "", true) << LanguageCode::Et
                                             << "vore2008\nBackground service stopped";
    }

    void theToolTipHasALinePerServerAndTheRouter()
    {
        QFETCH(TrayFacts, given);
        QFETCH(LanguageCode, language);
        QFETCH(QString, toolTip);
        QCOMPARE(trayToolTip(given, language), toolTip);
    }

    // The model a face reads, and the service's stop the face learns apart;
    // without an icon theme (as here) the packaged pictures stand in.
    void theIconFollowsTheModel()
    {
        EngineModel model;
        QSystemTrayIcon icon;
        TrayIndicator indicator(model, icon, LanguageCode::Jt);
        model.update({{"Logins", QVariant::fromValue(facts("primary:a.example:logging-in").logins)}});
        QVERIFY(indicator.look() == TrayLook::Trying && icon.toolTip().contains("主DNS: 正在登录"));
        model.update({{"Logins", QVariant::fromValue(facts("primary:a.example:registered:203.0.113.5").logins)}});
        QVERIFY(indicator.look() == TrayLook::LoggedIn && icon.toolTip().contains("已登录 203.0.113.5"));
        indicator.setServiceStopped(true);
        QCOMPARE(icon.toolTip(), "vore2008\n后台服务已停止");
        indicator.setServiceStopped(false);
        QVERIFY(indicator.look() == TrayLook::LoggedIn && !icon.icon().pixmap(22, 22).isNull());
    }
};

QTEST_MAIN(TestTrayStatus)
#include "TestTrayStatus.moc"
