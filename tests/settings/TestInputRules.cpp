#include "platform/SystemLanguage.h"
#include "settings/InputRules.h"

#include <QTest>

#include <functional>

namespace {

using Rule = std::function<QString(const QString&)>;

// Values one rule lets in, and values it refuses.
struct Cases
{
    const char* name;
    Rule rule;
    QStringList accepted;
    QStringList refused;
};

QString times(int count, const char* piece = "a")
{
    return QString::fromLatin1(piece).repeated(count);
}

} // namespace

Q_DECLARE_METATYPE(Rule)

class TestInputRules : public QObject
{
    Q_OBJECT

private slots:
    void valuesAreAcceptedOrRefusedWithAReason_data()
    {
        using namespace InputRules;
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("accepted");
        const QString megabyte = times(1 << 20);
        const QString domain253 = times(63) + '.' + times(63) + '.' + times(63) + '.' + times(61);
        const QString bom = QStringLiteral("\uFEFF");
        const Cases cases[] = {
            {"domain",
             domainProblem,
             {"a.kelvane.example", " My-Host1.kelvane.example ", "nodot", domain253, times(63) + ".example"},
             {"", "   ", domain253 + 'b', times(64) + ".example", "a.example\r\n", "a.exa\nmple",
              "a\x1b[2J.example", "a\a.example", bom + "a.example", "a..example", "a.example.", "-a.example",
              "a-.example", "a_b.example", "a b.example", "a&&&b.example", QStringLiteral("名称.example"),
              megabyte}},
            {"password (Windows-1252)",
             [](const QString& text) { return passwordProblem(text, 1033); },
             {"secret", " secret ", times(64, "p"), QStringLiteral("café?12")},
             {"", "  ", times(65, "p"), "secret\r\n", "se\x1b!cret", "se\acret", QString("se") + QChar(0),
              bom + "secret", QStringLiteral("пароль123"), QStringLiteral("pw😀12345"), megabyte}},
            {"password (GBK)",
             [](const QString& text) { return passwordProblem(text, LanguageId::SimplifiedChinese); },
             {QStringLiteral("密码")},
             {QStringLiteral("pw😀12345")}},
            {"port",
             [](const QString& text) { return portProblem(text.toLongLong()); },
             {"1", "65535"},
             {"0", "65536", "70000", "-80"}},
            {"port text",
             portTextProblem,
             {"8080", " 80 "},
             {"0", "70000", "99999999999999999999", "+80", "FOO", "", "80\n", "\t80"}},
            {"protocol", protocolProblem, {"TCP", "UDP"}, {"tcp", "FOO", "TCP ", ""}},
            {"address",
             ipv4Problem,
             {"192.168.1.10", "0.0.0.0"},
             {"999.1.1.1", "1.2.3", "01.2.3.4", " 1.2.3.4", "1.2.3.4\n", "router.example", ""}},
            {"check interval",
             checkIntervalProblem,
             {"15", " 60 ", "2147483"},
             {"14", "0", "2147484", "99999999999", "abc", "+60", "", "60\r\n"}},
            {"list size",
             [](const QString& text) { return listSizeProblem(text.toLongLong()); },
             {"0", "1000"},
             {"1001"}},
            {"status text",
             statusTextProblem,
             {QStringLiteral("登录成功"), "", times(200)},
             {times(201), "one\ntwo", "one\rtwo", "\x1b[31mred", "ring\a", bom + "ok",
              QStringLiteral("a\u2028b"), megabyte}},
            {"mapping line",
             mappingLineProblem,
             {"203.0.113.5:8080  TCP  192.168.1.100:80", "0.0.0.0:53 UDP 10.0.0.5:5353"},
             {"", "hand-typed note", "1.2.3.4:70000  TCP  5.6.7.8:80", "1.2.3.4:80  TCP  5.6.7.8:0",
              "1.2.3.4:80  FOO  5.6.7.8:80", "999.1.1.1:80  TCP  5.6.7.8:80", "1.2.3.4:80  TCP  x:1",
              "1.2.3.4:80  TCP  5.6.7.8", "1.2.3.4:80  TCP  5.6.7.8:80  x", "1.2.3.4:80\tTCP\t5.6.7.8:80",
              "1.2.3.4:80  TCP  5.6.7.8:80\r\n", "1.2.3.4:80  TCP  5.6.7.8:80\x1b[2J", megabyte}},
        };
        for (const Cases& of : cases) {
            for (qsizetype i = 0; i < of.accepted.size(); ++i)
                QTest::addRow("%s accepts %d", of.name, int(i)) << of.rule << of.accepted.at(i) << true;
            for (qsizetype i = 0; i < of.refused.size(); ++i)
                QTest::addRow("%s refuses %d", of.name, int(i)) << of.rule << of.refused.at(i) << false;
        }
    }

    void valuesAreAcceptedOrRefusedWithAReason()
    {
        QFETCH(Rule, rule);
        QFETCH(QString, value);
        QFETCH(bool, accepted);
        const QString why = rule(value);
        QCOMPARE(why.isEmpty(), accepted);
        // One short line, whatever the value held.
        QVERIFY(why.size() < 100 && !why.contains(u'\n'));
    }
};

QTEST_GUILESS_MAIN(TestInputRules)
#include "TestInputRules.moc"
