#include "messages/LanguageCode.h"
#include "messages/Messages.h"
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
