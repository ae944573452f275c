#include "daemon/HeadlessOutput.h"
#include "daemon/LogLine.h"
#include "engine/RunStatus.h"
#include "fakes/FakePlatform.h"
#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"

#include <QTest>

using namespace std::chrono_literals;

class TestHeadlessLog : public QObject
{
    Q_OBJECT

private slots:
    void oneTimeStampPerLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("bare");
        QTest::newRow("time") << "13:29:13 发出登录命令" << "发出登录命令";
        QTest::newRow("date and time") << "2024/5/1 13:29:13 demo.example 主DNS登录失败！"
                                       << "demo.example 主DNS登录失败！";
        QTest::newRow("iso date") << "2024-05-01 1:29:13 PM text" << "text";
        QTest::newRow("chinese morning") << "上午9:05:00 text" << "text";
        QTest::newRow("time and a dot") << "13:29:13." << ".";
        QTest::newRow("no time") << "准备登录" << "准备登录";
        QTest::newRow("an address is no time") << "11.22.33.2:8080  TCP" << "11.22.33.2:8080  TCP";
    }

    void oneTimeStampPerLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, bare);
        QCOMPARE(withoutLeadingTime(text), bare);
    }

    void linesThatSayNothing()
    {
        QVERIFY(saysNothing(QString()));
        QVERIFY(saysNothing(QStringLiteral(" . ")));
        QVERIFY(!saysNothing(QStringLiteral("登录")));
        QVERIFY(!saysNothing(QStringLiteral("0")));
    }

    void oneLinePerText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("line feed") << "x\nINJECTED=1" << "x\\nINJECTED=1";
        QTest::newRow("other C0 and DEL") << QString("a\r\x1b[2J\t") + QChar(0) + "\x7f"
                                          << "a\\x0d\\x1b[2J\\x09\\x00\\x7f";
        QTest::newRow("the rest kept") << "登录 C:\\n ~" << "登录 C:\\n ~";
    }

    // The journal takes a line feed for the start of another entry.
    void oneLinePerText()
    {
        QFETCH(QString, text);
        QFETCH(QString, line);
        FakeClock clock;
        QStringList out;
        HeadlessOutput output(/*journal=*/true, LanguageCode::Jt, clock,
                              [&out](const QString& printed) { out << printed; });
        output.eventLogLine(3, text);
        QCOMPARE(out, QStringList{"<6>" + line});
    }

    void prioritiesOfFailures()
    {
        const LanguageCode c = LanguageCode::Et;
        QCOMPARE(priorityOf(Messages::sendFailed(c), c), LogPriority::Warning);
        QCOMPARE(priorityOf(Messages::loginFailedHistory(c, "2024-05-01", "13:00:00", "a.example"), c),
                 LogPriority::Warning);
        QCOMPARE(priorityOf(Messages::notRegistered(c), c), LogPriority::Warning);
        QCOMPARE(priorityOf(Messages::PortMapping::addFailed(), c), LogPriority::Warning);
        QCOMPARE(priorityOf(Messages::loginSucceeded(c, "13:00:00"), c), LogPriority::Information);
        QCOMPARE(priorityOf(Messages::PortMapping::portAdded(), c), LogPriority::Information);
    }

    void statusHealthyOnlyWhenEveryServerAnswered()
    {
        RunStatus status;
        const QDateTime when(QDate(2024, 5, 1), QTime(13, 0));
        QCOMPARE(judgeStatus(status.text(), when).reasons, QStringList{"no login has succeeded yet"});
        status.logins.insert("a.example", {when, true, "registered"});
        status.publishedAddress = "11.22.33.2";
        status.publishedSince = when;
        status.mappings.insert("8080 TCP", "11.22.33.2:8080  TCP  192.168.1.10:80");
        const QString text = status.text();
        QVERIFY(text.startsWith("login: a.example 2024-05-01T13:00:00 registered\n"));
        QVERIFY(text.contains(
            "\npublished address: 11.22.33.2 since 2024-05-01T13:00:00\npublic address: unknown\nrouter: unknown\n"));
        QVERIFY(text.endsWith("\nmapping: 11.22.33.2:8080  TCP  192.168.1.10:80\n"));
        QVERIFY(judgeStatus(text, when).healthy);

        status.unansweredSince.insert("primary DNS", when);
        QVERIFY(judgeStatus(status.text(), when.addSecs(59)).healthy);
        QCOMPARE(judgeStatus(status.text(), when.addSecs(60)).reasons,
                 QStringList{"no answer from primary DNS since 13:00"});
        status.unansweredSince.clear();
        status.logins.insert("a.example (secondary DNS)", {when, false, "not-registered"});
        QCOMPARE(judgeStatus(status.text(), when).reasons,
                 QStringList{
                     "the last login failed: a.example (secondary DNS) 2024-05-01T13:00:00 not-registered"});
    }

    // Ten minutes as the engine reports them: a check every 9 s, a router
    // poll every 11 s; then the provider out of reach, its logins failing every 6 s.
    void eventsNotChatter()
    {
        using Messages::CheckStatus;
        namespace Mapping = Messages::PortMapping;
        const LanguageCode jt = LanguageCode::Jt;
        FakeClock clock;
        clock.takeOverTimers();
        QStringList out;
        HeadlessOutput output(/*journal=*/true, jt, clock, [&out](const QString& line) { out << line; });
        const auto show = [&](int line, const QString& text) {
            output.statusBar(text);
            output.eventLogLine(line, text);
        };
        const auto check = [&](CheckStatus status) {
            const QString text = "09:05:03" + Messages::checkStatus(jt, status, "11.22.33.2");
            output.checkStatus(status, text);
            show(0, text);
        };
        const auto poll = [&](const QString& outcome) {
            output.portMappingLine(Mapping::externalAddressRequested());
            if (outcome == Mapping::externalAddressFailed()) {
                output.portMappingLine(outcome);
                return;
            }
            output.portMappingLine(Mapping::externalAddressRead());
            output.portMappingLine(outcome);
        };
        for (int second = 0; second < 600; ++second) {
            if (second % 9 == 0) {
                check(CheckStatus::ServerCheckStarted);
                check(CheckStatus::ServerCheckNoChange);
            }
            if (second % 11 == 0)
                poll(Mapping::externalAddress(second < 300 ? "11.22.33.2" : "11.22.33.3"));
        }
        QCOMPARE(out.size(), 2 + 3 + 3); // the first check, the first poll, the poll of a new address
        QVERIFY(out.at(0).startsWith("<6>[主DNS] "));
        output.saySummary();
        QCOMPARE(out.last(), "<6>" + Messages::unchangedSummary(jt, 66, 53));

        qsizetype afterOneMinute = 0;
        for (int second = 0; second < 600; second += 6) {
            if (second == 60)
                afterOneMinute = out.size();
            clock.advance(6s);
            output.loginSent(false);
            show(0, Messages::loginSent("09:05:03"));
            show(0, Messages::sendFailed(jt));
            output.eventLogLine(3, "2026-12-7 9:05:03 " + Messages::loginFailed(jt));
            poll(Mapping::externalAddressFailed());
        }
        const QString noAnswer =
            "<4>" + Messages::noAnswerSince(jt, Messages::dnsServerName(jt, false), "09:05");
        QCOMPARE(out.mid(afterOneMinute), QStringList{noAnswer});
        output.loginAnswered(false);
        QCOMPARE(out.last(), "<6>" + Messages::answersAgain(jt, Messages::dnsServerName(jt, false)));
    }
};

QTEST_GUILESS_MAIN(TestHeadlessLog)
#include "TestHeadlessLog.moc"
