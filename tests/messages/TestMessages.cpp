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

    void windowTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& text, const QString& expected) {
            QTest::newRow(name) << text << expected;
        };
        const auto stamp = [](const QString& replyDomain, const QString& address, const QString& expiry) {
            return LoginStamp{replyDomain, address, "2026/12/7", "9:05:03", "a.kelvane.example", expiry};
        };
        const QString outsideJt = outsideAddressPrefix(LanguageCode::Jt) + "198.51.100.7";
        row("initial", initial(), QStringLiteral("准备登录"));
        row("login sent", loginSent("9:05:03"), QStringLiteral("9:05:03 向主DNS发出登录命令"));
        row("start-up login sent", startupLoginSent("9:05:03"), QStringLiteral("9:05:03 发出登录命令"));
        row("send failed jt", sendFailed(LanguageCode::Jt), QStringLiteral("主DNS登录失败，线路不通！"));
        row("free user", freeUser(), QStringLiteral("您是我们的免费用户，收费用户可以享受更全面服务！"));
        row("test user", testUser(), QStringLiteral("欢迎测试，有问题可以随时咨询！"));
        row("disabled", domainDisabled(), QStringLiteral("你的域名被禁用，请联系管理员"));
        row("success jt outside with expiry",
            successHistory(LanguageCode::Jt,
                           stamp("a.kelvane.example", outsideJt, expiryPrefix() + "2027-01-01")),
            QStringLiteral("域名:a.kelvane.example  主DNS登录成功,解析的IP是 外网198.51.100.7 时间 2026/12/7 "
                           "9:05:03 用户（a.kelvane.example）域名到期时间是2027-01-01"));
        row("success ft inside, bare expiry",
            successHistory(LanguageCode::Ft, stamp("a.kelvane.example",
                                                   localAddressPrefix(LanguageCode::Ft) + "192.0.2.10", ".")),
            QStringLiteral("域名:a.kelvane.example 登錄成功,解析的IP是 內網192.0.2.10 時間 2026/12/7 9:05:03 "
                           "用戶（a.kelvane.example）."));
        row("success et outside",
            successHistory(
                LanguageCode::Et,
                stamp("a.kelvane.example", outsideAddressPrefix(LanguageCode::Et) + "198.51.100.7", {})),
            QStringLiteral(" domain: a.kelvane.example  Login successful, the IP is the analytical  Net "
                           "198.51.100.7 Time 2026/12/7 9:05:03 User (a.kelvane.example)"));
        row("repeated jt",
            repeatedLoginHistory(LanguageCode::Jt,
                                 stamp("Repeat landing", outsideJt, expiryPrefix() + "2027")),
            QStringLiteral("主DNS域名重复登录成功,解析的IP 外网198.51.100.7 时间 2026/12/7 9:05:03 "
                           "用户（a.kelvane.example）域名到期时间是2027"));
        row("repeated et",
            repeatedLoginHistory(LanguageCode::Et, stamp("Repeat landing", {}, expiryPrefix() + "2027")),
            QStringLiteral(
                "Login to repeat the success domain names, IP and analysis of the previous same time "
                "2026/12/7 9:05:03 User (a.kelvane.example) 域名到期时间是2027"));
        row("failed jt", loginFailed(LanguageCode::Jt), QStringLiteral(" 主DNS登录失败！"));
        row("failed et", loginFailed(LanguageCode::Et), QStringLiteral(" Login failed"));
        row("not registered jt", notRegistered(LanguageCode::Jt), QStringLiteral("  输入有误或没注册"));
        row("not registered ft", notRegistered(LanguageCode::Ft), QStringLiteral("  輸入有誤或沒註冊"));
        row("no public address", noPublicAddress(), QStringLiteral("你可能没有自己的外网IP"));
        row("no change jt", checkStatus(LanguageCode::Jt, CheckStatus::ServerCheckNoChange, "127.0.0.1"),
            QStringLiteral("  IP没有改变 127.0.0.1"));
        row("router notice 0", routerNotice().at(0), QStringLiteral("这个版本是支持路由器端口映射的版本"));
        row("router notice 2", routerNotice().at(2),
            QStringLiteral("如果你一直看到这个提示，说明这个版本不适合你"));
        row("password missing", entryPasswordMissing(LanguageCode::Jt, "nopass.kelvane.example"),
            QStringLiteral("nopass.kelvane.example 的密码没有保存，已跳过"));
        row("no answer", noAnswer(LanguageCode::Jt, "a.kelvane.example"),
            QStringLiteral("a.kelvane.example 登录三次都没有回应，稍后再试"));
        row("another domain", replyForAnotherDomain(LanguageCode::Et, "%2", "b.kelvane.example"),
            QStringLiteral("An answer for %2 came while b.kelvane.example was logging in; ignored"));
        row("held back", reloginHeldBack(LanguageCode::Ft, "9:35:03"),
            QStringLiteral("IP仍然和上次一樣不符，9:35:03 之前不再重新登錄"));
        row("incomplete", savedCredentialsIncomplete(LanguageCode::Jt),
            QStringLiteral("保存的域名和密码不完整，请重新输入"));
        row("read failed", readFailed(LanguageCode::Jt, "vkl.ini", "denied"),
            QStringLiteral("无法读取 vkl.ini：denied。本次运行不会改写它"));
        row("port held", portHeldByOther(LanguageCode::Jt, 8080, "TCP", "192.168.77.20", "nas"),
            QStringLiteral("端口 8080/TCP 已被 192.168.77.20 (nas) 占用"));
        row("port held et", portHeldByOther(LanguageCode::Et, 8080, "UDP", "192.168.77.20", ""),
            QStringLiteral("Port 8080/UDP is held by 192.168.77.20 ()"));
        row("port taken ft", portTaken(LanguageCode::Ft, 8080, "TCP", 8081),
            QStringLiteral("埠 8080/TCP 已被佔用（路由器只給出 8081）"));
        row("not a web address", notAWebAddress(LanguageCode::Jt),
            QStringLiteral("只能打开以 http:// 或 https:// 开头的地址"));
        row("no browser", browserUnavailable(LanguageCode::Jt, "http://www.kelvane.example/help2010.asp"),
            QStringLiteral("无法启动浏览器，请手动打开：http://www.kelvane.example/help2010.asp"));
        row("secondary sent", Secondary::loginSent("9:05:03"), QStringLiteral("9:05:03 向辅DNS发出登录命令"));
        row("secondary succeeded", Secondary::loginSucceeded(LanguageCode::Jt, "9:05:03"),
            QStringLiteral("9:05:03  辅DNS登录成功！    "));
        row("secondary success",
            Secondary::successHistory(LanguageCode::Jt,
                                      stamp("a.kelvane.example", outsideJt, expiryPrefix())),
            QStringLiteral("域名:a.kelvane.example  辅DNS登录成功,解析的IP是 外网198.51.100.7 时间 2026/12/7 "
                           "9:05:03 用户（a.kelvane.example）域名到期时间是"));
        row("secondary repeated",
            Secondary::repeatedLoginHistory(
                LanguageCode::Jt, stamp("Repeat landing", outsideJt, expiryPrefix() + "2027-01-01")),
            QStringLiteral("辅DNS域名重复登录成功,解析的IP和前次一样 时间 2026/12/7 9:05:03 "
                           "用户（a.kelvane.example）域名到期时间是2027-01-01"));
        row("secondary failed",
            Secondary::loginFailedHistory(LanguageCode::Jt, "2026/12/7", "9:05:03", "a.kelvane.example"),
            QStringLiteral("2026/12/7 9:05:03 a.kelvane.example 辅DNS登录失败！"));
        row("secondary send failed", Secondary::sendFailed(LanguageCode::Jt),
            QStringLiteral("辅DNS登录失败，线路不通！"));
    }

    void windowTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
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
        row("router lost", P::routerLostRetrying(), QStringLiteral("路由器无应答，将自动重新搜索..."));
        row("router back", P::routerBack(), QStringLiteral("路由器已恢复应答！"));
        row("next device", P::tryingNextDevice("http://l"),
            QStringLiteral("该设备不是路由器，试下一个：http://l"));
        row("address not yet", P::externalAddressNotYet(), QStringLiteral("路由器尚无外网IP，稍后再取..."));
        row("router restarted", P::routerRestarted(), QStringLiteral("路由器已重新启动，检查端口映射..."));
        row("mappings missing", P::mappingsMissing(2),
            QStringLiteral("路由器上缺少2项端口映射，重新增加..."));
        row("add refused", P::addRefused(718, "ConflictInMappingEntry"),
            QStringLiteral("增加端口失败！路由器错误：718 ConflictInMappingEntry"));
        row("add refused label", P::addRefusedLabel(718, "ConflictInMappingEntry"),
            QStringLiteral("增加端口失败：718 ConflictInMappingEntry  "));
        row("router mappings", P::routerMappingsTitle(), QStringLiteral("路由器上的端口映射"));
        row("router mappings none", P::routerMappingsNone(), QStringLiteral("路由器上没有端口映射。"));
        row("router mappings no router", P::routerMappingsNoRouter(),
            QStringLiteral("未找到路由器，无法列出端口映射。"));
        row("router mappings incomplete", P::routerMappingsIncomplete(),
            QStringLiteral("路由器中途停止应答，列表可能不全。"));
        row("mapping line, plain",
            P::routerMappingLine({"UDP", 53, "10.0.0.9", 5353, {}, true, false, false}),
            QStringLiteral("UDP 53 -> 10.0.0.9:5353"));
        row("mapping line, all marks",
            P::routerMappingLine({"TCP", 8080, "192.168.77.10", 80, "web", false, true, true}),
            QStringLiteral("TCP 8080 -> 192.168.77.10:80  [已停用]  [本机]  [已保存]  web"));
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
