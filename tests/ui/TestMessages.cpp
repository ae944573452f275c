#include "platform/SystemLanguage.h"
#include "ui/LanguageCode.h"
#include "ui/Messages.h"
#include "ui/TimeStamps.h"

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

    void longTimeHasNoTimeZone()
    {
        const QDateTime when(QDate(2026, 12, 7), QTime(21, 5, 3));
        for (const char* name : {"en_US", "zh_CN", "zh_TW", "C"}) {
            const QString text = longTime(when, QLocale(QString::fromLatin1(name)));
            QVERIFY2(text.contains("05:03") || text.contains("5:03"), qPrintable(text));
            QVERIFY2(!text.contains("UTC") && !text.contains("GMT"), qPrintable(text));
        }
        QVERIFY(!shortDate(when, QLocale("en_US")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "TestMessages.moc"
