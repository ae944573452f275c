#include "messages/LanguageCode.h"
#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "messages/TimeStamps.h"
#include "platform/SystemLanguage.h"

#include <QTest>

using namespace Messages;

class TestMessages : public QObject
{
    Q_OBJECT

private slots:
    void languageCodeFollowsTheSystemLanguage()
    {
        QCOMPARE(languageCodeText(languageCodeFor(LanguageId::SimplifiedChinese)), QString("jt"));
        QCOMPARE(languageCodeText(languageCodeFor(LanguageId::TraditionalChineseTaiwan)), QString("ft"));
        QCOMPARE(languageCodeText(languageCodeFor(LanguageId::TraditionalChineseHongKong)), QString("ft"));
        QCOMPARE(languageCodeText(languageCodeFor(1033)), QString("et"));
        QCOMPARE(languageCodeText(languageCodeFor(4100)), QString("et")); // Chinese of Singapore
    }

    void successStatusKeepsItsBlanksPerLanguage()
    {
        QCOMPARE(loginSucceeded(LanguageCode::Jt, "9:05:03"), QStringLiteral("9:05:03  主DNS登录成功！    "));
        QCOMPARE(loginSucceeded(LanguageCode::Ft, "9:05:03"), QStringLiteral("9:05:03  登錄成功！ "));
        QCOMPARE(loginSucceeded(LanguageCode::Et, "9:05:03"), QStringLiteral("9:05:03  Login success   "));
        // The account messages have one text for every language.
        QCOMPARE(payingUser(), QStringLiteral("您是我们的收费用户，有问题可以随时咨询！"));
    }

    void successHistoryLines()
    {
        const LoginStamp stamp{"a.kelvane.example", outsideAddressPrefix(LanguageCode::Et) + "198.51.100.7",
                               "2026/12/7",         "9:05:03",
                               "a.kelvane.example", expiryPrefix() + "2027-01-01"};
        QCOMPARE(successHistory(LanguageCode::Et, stamp),
                 QStringLiteral(
                     " domain: a.kelvane.example  Login successful, the IP is the analytical  Net "
                     "198.51.100.7 Time 2026/12/7 9:05:03 User (a.kelvane.example)域名到期时间是2027-01-01"));
        LoginStamp jt = stamp;
        jt.displayAddress = localAddressPrefix(LanguageCode::Jt) + "192.0.2.10";
        jt.expiry.clear();
        QCOMPARE(successHistory(LanguageCode::Jt, jt),
                 QStringLiteral(
                     "域名:a.kelvane.example  主DNS登录成功,解析的IP是 内网192.0.2.10 时间 2026/12/7 9:05:03 "
                     "用户（a.kelvane.example）"));
    }

    void repeatedLoginLineHasNoOpeningBracketOnlyInTraditionalChinese()
    {
        const LoginStamp stamp{"Repeat landing", "外網1.2.3.4",       "2026/12/7",
                               "9:05:03",        "b.kelvane.example", ""};
        QCOMPARE(repeatedLoginHistory(LanguageCode::Ft, stamp),
                 QStringLiteral(
                     "域名重復登錄成功,解析的IP和前次一樣 時間 2026/12/7 9:05:03 用戶b.kelvane.example）"));
        QVERIFY(repeatedLoginHistory(LanguageCode::Jt, stamp)
                    .contains(QStringLiteral("用户（b.kelvane.example）")));
        QVERIFY(repeatedLoginHistory(LanguageCode::Et, stamp)
                    .endsWith(QStringLiteral("User (b.kelvane.example) ")));
    }

    void failureTexts()
    {
        QCOMPARE(loginFailedHistory(LanguageCode::Ft, "2026/12/7", "9:05:03", "c.example"),
                 QStringLiteral("2026/12/7 9:05:03 c.example 登錄失敗！"));
        QCOMPARE(sendFailed(LanguageCode::Et), QStringLiteral("Login failed, line unreasonable "));
        QCOMPARE(notRegistered(LanguageCode::Et), QStringLiteral(" Entered incorrectly"));
        QCOMPARE(secondInstance(), QStringLiteral("Software has been running..."));
    }

    void portMappingTexts_data()
    {
        namespace P = PortMapping;
        using P::RouterDetail;
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& text, const QString& expected) {
            QTest::newRow(name) << text << expected;
        };
        row("timeout caption", P::timeoutOutOfRangeCaption(), QStringLiteral("提示"));
        row("timeout", P::timeoutOutOfRange(), QStringLiteral("对不起，超时值范围1000-30000，重新输入！"));
        row("port", P::portNotANumber(), QStringLiteral("端口必须是1到65535之间的整数，未发送请求！"));
        row("search started", P::searchStarted(), QStringLiteral("正在搜索路由器，请稍等..."));
        row("search not started", P::searchNotStarted(), QStringLiteral("搜索路由器时出现异常，搜索失败！"));
        row("search succeeded", P::searchSucceeded(), QStringLiteral("搜索路由器成功！"));
        row("router label", P::routerLabel("Linux/2.6 "), QStringLiteral("Linux/2.6    "));
        row("search failed", P::searchFailed(), QStringLiteral("搜索路由器失败！"));
        row("search failed label", P::searchFailedLabel(),
            QStringLiteral("搜索路由器时出现异常，无法设置！  "));
        row("control page not started", P::controlPageNotStarted(),
            QStringLiteral("取控制页URL出现异常，操作失败！"));
        row("control page read", P::controlPageRead(), QStringLiteral("取控制页地址成功！"));
        row("control page failed", P::controlPageFailed(), QStringLiteral("取控制页地址失败！"));
        row("add started", P::addStarted(), QStringLiteral("正在增加端口映射项，请稍等..."));
        row("add not started", P::addNotStarted(), QStringLiteral("增加端口时出现异常，操作失败！"));
        row("added", P::portAdded(), QStringLiteral("增加端口成功！"));
        row("added label", P::portAddedLabel(), QStringLiteral("增加端口成功！  "));
        row("add failed", P::addFailed(), QStringLiteral("增加端口失败！"));
        row("delete started", P::deleteStarted(), QStringLiteral("正在删除端口映射项，请稍等..."));
        row("delete not started", P::deleteNotStarted(), QStringLiteral("删除端口时出现异常，操作失败！"));
        row("deleted", P::portDeleted(), QStringLiteral("删除端口成功！"));
        row("delete failed", P::deleteFailed(), QStringLiteral("删除端口失败！"));
        row("address requested", P::externalAddressRequested(), QStringLiteral("正在取外网IP，请稍等..."));
        row("address read", P::externalAddressRead(), QStringLiteral("取外网IP成功！"));
        row("address", P::externalAddress("11.22.33.2"), QStringLiteral("外网IP=11.22.33.2"));
        row("address invalid", P::externalAddressInvalid(), QStringLiteral("路由器返回的外网IP无效"));
        row("address failed", P::externalAddressFailed(), QStringLiteral("取外网IP失败！"));
        row("contact label", P::contactDeveloperLabel(), QStringLiteral("请联系研发者......   "));
        row("router name", P::routerDetail(RouterDetail::Name, "a b"), QStringLiteral("RouterName=a b"));
        row("router location", P::routerDetail(RouterDetail::Location, "l"),
            QStringLiteral("RouterLocation=l"));
        row("router USN", P::routerDetail(RouterDetail::USN, "u"), QStringLiteral("RouterUSN=u"));
        row("router IP", P::routerDetail(RouterDetail::IP, "i"), QStringLiteral("RouterIP=i"));
        row("router port", P::routerDetail(RouterDetail::Port, "5000"), QStringLiteral("RouterPort=5000"));
        row("router URL", P::routerDetail(RouterDetail::URL, "/d"), QStringLiteral("RouterURL=/d"));
        row("URL base", P::routerDetail(RouterDetail::URLBase, "h"), QStringLiteral("URLBase=h"));
        row("not a mapping line", P::notAMappingLineSkipped("x"),
            QStringLiteral("跳过不是端口映射项的一行：x"));
        row("add retried", P::addUnfinishedRetried("x"), QStringLiteral("增加端口未完成，重试：x"));
        row("add skipped", P::addUnfinishedSkipped("x"), QStringLiteral("增加端口未完成，跳过：x"));
    }

    void portMappingTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }

    void longTimeKeepsOnlyTheClockFields_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("zh_CN") << "zh_CN"
                               << "21:05:03";
        QTest::newRow("zh_TW day period") << "zh_TW"
                                          << "下午9:05:03";
        QTest::newRow("zh_HK") << "zh_HK"
                               << "下午9:05:03";
        QTest::newRow("en_US") << "en_US"
                               << "9:05:03 PM";
        QTest::newRow("de_DE") << "de_DE"
                               << "21:05:03";
        QTest::newRow("es_ES brackets") << "es_ES"
                                        << "21:05:03";
        QTest::newRow("ko_KR unit words") << "ko_KR"
                                          << "오후 9시 5분 3초";
    }

    void longTimeKeepsOnlyTheClockFields()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QCOMPARE(longTime(QDateTime(QDate(2026, 12, 7), QTime(21, 5, 3)), QLocale(locale)), text);
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "TestMessages.moc"
