#include "ui/TrayStatus.h"

#include <QTest>

namespace {

LoginRecord login(const char* server, const char* domain, const char* state, const char* address = "")
{
    return {QString::fromLatin1(server), QString::fromLatin1(domain), QString::fromLatin1(state),
            QString::fromLatin1(address), 0, {}};
}

} // namespace

Q_DECLARE_METATYPE(TrayFacts)

class TestTrayStatus : public QObject
{
    Q_OBJECT

private slots:
    void theLookTellsTheStateThatMatters_data()
    {
        QTest::addColumn<TrayFacts>("facts");
        QTest::addColumn<TrayLook>("look");
        const QString a = QStringLiteral("a.example");
        const QString found = QStringLiteral("found");
        const QString missing = QStringLiteral("not-found");
        QTest::newRow("nothing known yet") << TrayFacts{{}, a, {}, {}, false} << TrayLook::Plain;
        QTest::newRow("logged in") << TrayFacts{{login("primary", "a.example", "registered")}, a, found, {}, false}
                                   << TrayLook::LoggedIn;
        QTest::newRow("logging in") << TrayFacts{{login("primary", "a.example", "logging-in")}, a, found, {}, false}
                                    << TrayLook::Trying;
        QTest::newRow("unanswered, the other server published it")
            << TrayFacts{{login("primary", "a.example", "unanswered"), login("secondary", "a.example", "registered")},
                         a, found, {}, false}
            << TrayLook::LoggedIn;
        QTest::newRow("either server refuses")
            << TrayFacts{{login("primary", "a.example", "registered"), login("secondary", "a.example", "refused")},
                         a, found, {}, false}
            << TrayLook::Failing;
        QTest::newRow("logged in, no router")
            << TrayFacts{{login("primary", "a.example", "registered")}, a, missing, {}, false} << TrayLook::NoRouter;
        QTest::newRow("a router of no use") << TrayFacts{{}, a, QStringLiteral("unusable"), {}, false}
                                            << TrayLook::NoRouter;
        QTest::newRow("still trying outranks no router")
            << TrayFacts{{login("primary", "a.example", "unanswered")}, a, missing, {}, false} << TrayLook::Trying;
        QTest::newRow("an older domain's refusal is past")
            << TrayFacts{{login("primary", "old.example", "refused"), login("primary", "a.example", "registered")},
                         a, found, {}, false}
            << TrayLook::LoggedIn;
        QTest::newRow("the service stopped, whatever it last said")
            << TrayFacts{{login("primary", "a.example", "refused")}, a, missing, {}, true} << TrayLook::ServiceStopped;
    }

    void theLookTellsTheStateThatMatters()
    {
        QFETCH(TrayFacts, facts);
        QFETCH(TrayLook, look);
        QCOMPARE(trayLookOf(facts), look);
    }

    // Without an icon theme (as here) the packaged ones stand in, each its own.
    void everyStateHasAThemeNameAndAPackagedIcon()
    {
        QSet<QString> names;
        QSet<qint64> pictures;
        for (TrayLook look : {TrayLook::LoggedIn, TrayLook::Trying, TrayLook::Failing, TrayLook::NoRouter,
                              TrayLook::ServiceStopped}) {
            names << trayThemeIconName(look);
            const QImage image = trayIcon(look).pixmap(22, 22).toImage();
            QVERIFY(!image.isNull());
            pictures << qHashBits(image.constBits(), image.sizeInBytes());
        }
        QCOMPARE(names.size(), 5);
        QCOMPARE(pictures.size(), 5);
        QVERIFY(!names.contains(QString()));
    }

    void theToolTipHasALinePerServerAndTheRouter_data()
    {
        QTest::addColumn<TrayFacts>("facts");
        QTest::addColumn<LanguageCode>("language");
        QTest::addColumn<QString>("toolTip");
        const TrayFacts published{{login("primary", "a.example", "registered", "203.0.113.5"),
                                   login("secondary", "a.example", "unanswered")},
                                  QStringLiteral("a.example"),
                                  QStringLiteral("found"),
                                  QStringLiteral("192.168.1.1"),
                                  false};
        QTest::newRow("simplified") << published << LanguageCode::Jt
                                    << QStringLiteral("vore2008\n主DNS: 已登录 203.0.113.5\n辅DNS: 无应答\n"
                                                      "路由器: 已找到 192.168.1.1");
        QTest::newRow("traditional") << published << LanguageCode::Ft
                                     << QStringLiteral("vore2008\n主DNS: 已登入 203.0.113.5\n輔DNS: 無回應\n"
                                                       "路由器: 已找到 192.168.1.1");
        QTest::newRow("english, nothing known yet")
            << TrayFacts{} << LanguageCode::Et
            << QStringLiteral("vore2008\nPrimary DNS: not logged in\nSecondary DNS: not logged in\nRouter: searching");
        QTest::newRow("what is not an address or a known state is not shown")
            << TrayFacts{{login("primary", "a.example", "registered", "<b>x</b>"), login("secondary", "a.example", "<i>")},
                         QStringLiteral("a.example"), QStringLiteral("<a href=x>"), QStringLiteral("192.168.1.1"),
                         false}
            << LanguageCode::Et
            << QStringLiteral("vore2008\nPrimary DNS: logged in\nSecondary DNS: not logged in\nRouter: searching");
        QTest::newRow("the service stopped") << TrayFacts{published.logins, {}, {}, {}, true} << LanguageCode::Et
                                             << QStringLiteral("vore2008\nBackground service stopped");
    }

    void theToolTipHasALinePerServerAndTheRouter()
    {
        QFETCH(TrayFacts, facts);
        QFETCH(LanguageCode, language);
        QFETCH(QString, toolTip);
        QCOMPARE(trayToolTip(facts, language), toolTip);
    }
};

QTEST_MAIN(TestTrayStatus)
#include "TestTrayStatus.moc"
