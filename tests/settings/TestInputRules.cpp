#include "platform/SystemLanguage.h"
#include "settings/InputRules.h"

#include <QTest>

namespace {

enum class Rule
{
    Domain,
    Password,        // Windows-1252
    PasswordChinese, // GBK
    Port,
    PortText,
    Protocol,
    IPv4,
    CheckInterval,
    ListSize,
    StatusText,
    MappingLine,
};

QString problem(Rule rule, const QString& text, qint64 number)
{
    using namespace InputRules;
    switch (rule) {
    case Rule::Domain:
        return domainProblem(text);
    case Rule::Password:
        return passwordProblem(text, 1033);
    case Rule::PasswordChinese:
        return passwordProblem(text, LanguageId::SimplifiedChinese);
    case Rule::Port:
        return portProblem(number);
    case Rule::PortText:
        return portTextProblem(text);
    case Rule::Protocol:
        return protocolProblem(text);
    case Rule::IPv4:
        return ipv4Problem(text);
    case Rule::CheckInterval:
        return checkIntervalProblem(text);
    case Rule::ListSize:
        return listSizeProblem(number);
    case Rule::StatusText:
        return statusTextProblem(text);
    case Rule::MappingLine:
        return mappingLineProblem(text);
    }
    return {};
}

void row(const char* name, Rule rule, const QString& text, bool accepted)
{
    QTest::newRow(name) << int(rule) << text << qint64(0) << accepted;
}

void row(const char* name, Rule rule, qint64 number, bool accepted)
{
    QTest::newRow(name) << int(rule) << QString() << number << accepted;
}

QString repeated(const char* piece, int times)
{
    return QString::fromLatin1(piece).repeated(times);
}

const QString megabyte = repeated("a", 1 << 20);

} // namespace

class TestInputRules : public QObject
{
    Q_OBJECT

private slots:
    void valuesAreAcceptedOrRefusedWithAReason_data()
    {
        QTest::addColumn<int>("rule");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("number");
        QTest::addColumn<bool>("accepted");
        using R = Rule;
        const QString label63 = repeated("a", 63);
        const QString domain253 = label63 + '.' + label63 + '.' + label63 + '.' + repeated("b", 61);

        row("domain", R::Domain, "a.kelvane.example", true);
        row("domain, blanks around", R::Domain, "  My-Host1.kelvane.example ", true);
        row("domain, a single label", R::Domain, "nodot", true);
        row("domain, 253 characters", R::Domain, domain253, true);
        row("domain, 254 characters", R::Domain, domain253 + 'c', false);
        row("domain, a label of 63", R::Domain, label63 + ".example", true);
        row("domain, a label of 64", R::Domain, label63 + "a.example", false);
        row("domain, empty", R::Domain, "", false);
        row("domain, blanks only", R::Domain, "   ", false);
        row("domain, CR LF after it", R::Domain, "a.example\r\n", false);
        row("domain, LF inside", R::Domain, "a.exa\nmple", false);
        row("domain, ESC", R::Domain, "a\x1b[2J.example", false);
        row("domain, BEL", R::Domain, "a\a.example", false);
        row("domain, byte-order mark", R::Domain, QStringLiteral("\uFEFFa.example"), false);
        row("domain, two dots", R::Domain, "a..example", false);
        row("domain, a dot at the end", R::Domain, "a.example.", false);
        row("domain, '-' first", R::Domain, "-a.example", false);
        row("domain, '-' last in a label", R::Domain, "a-.example", false);
        row("domain, underscore", R::Domain, "a_b.example", false);
        row("domain, blank inside", R::Domain, "a b.example", false);
        row("domain, field separator", R::Domain, "a&&&b.example", false);
        row("domain, Chinese letters", R::Domain, QStringLiteral("名称.example"), false);
        row("domain, 1 MB", R::Domain, megabyte, false);

        row("password", R::Password, "secret", true);
        row("password, blanks around", R::Password, " secret ", true);
        row("password, 64 characters", R::Password, repeated("p", 64), true);
        row("password, 65 characters", R::Password, repeated("p", 65), false);
        row("password, empty", R::Password, "", false);
        row("password, blanks only", R::Password, "  ", false);
        row("password, CR LF", R::Password, "secret\r\n", false);
        row("password, ESC", R::Password,
            "se\x1b"
            "cret",
            false);
        row("password, BEL", R::Password, "se\acret", false);
        row("password, NUL", R::Password, QString("se") + QChar(0) + "cret", false);
        row("password, byte-order mark", R::Password, QStringLiteral("\uFEFFsecret"), false);
        row("password, accent in Windows-1252", R::Password, QStringLiteral("café?12"), true);
        row("password, Cyrillic in Windows-1252", R::Password, QStringLiteral("пароль123"), false);
        row("password, emoji in Windows-1252", R::Password, QStringLiteral("pw😀12345"), false);
        row("password, Chinese in GBK", R::PasswordChinese, QStringLiteral("密码"), true);
        row("password, emoji in GBK", R::PasswordChinese, QStringLiteral("pw😀12345"), false);
        row("password, 1 MB", R::Password, megabyte, false);

        row("port 1", R::Port, 1, true);
        row("port 65535", R::Port, 65535, true);
        row("port 0", R::Port, 0, false);
        row("port 65536", R::Port, 65536, false);
        row("port 70000", R::Port, 70000, false);
        row("port -80", R::Port, -80, false);

        row("port text", R::PortText, "8080", true);
        row("port text, blanks around", R::PortText, " 80 ", true);
        row("port text 0", R::PortText, "0", false);
        row("port text 70000", R::PortText, "70000", false);
        row("port text, 20 digits", R::PortText, "99999999999999999999", false);
        row("port text, signed", R::PortText, "+80", false);
        row("port text, letters", R::PortText, "FOO", false);
        row("port text, empty", R::PortText, "", false);
        row("port text, LF", R::PortText, "80\n", false);
        row("port text, tab", R::PortText, "\t80", false);

        row("TCP", R::Protocol, "TCP", true);
        row("UDP", R::Protocol, "UDP", true);
        row("protocol in lower case", R::Protocol, "tcp", false);
        row("protocol FOO", R::Protocol, "FOO", false);
        row("protocol with a blank", R::Protocol, "TCP ", false);
        row("protocol empty", R::Protocol, "", false);

        row("address", R::IPv4, "192.168.1.10", true);
        row("address 0.0.0.0", R::IPv4, "0.0.0.0", true);
        row("address 999.1.1.1", R::IPv4, "999.1.1.1", false);
        row("address, three parts", R::IPv4, "1.2.3", false);
        row("address, leading zero", R::IPv4, "01.2.3.4", false);
        row("address, blank before", R::IPv4, " 1.2.3.4", false);
        row("address, LF after", R::IPv4, "1.2.3.4\n", false);
        row("address, a host name", R::IPv4, "router.example", false);
        row("address, empty", R::IPv4, "", false);

        row("interval 15", R::CheckInterval, "15", true);
        row("interval, blanks around", R::CheckInterval, " 60 ", true);
        row("interval, the largest", R::CheckInterval, "2147483", true);
        row("interval 14", R::CheckInterval, "14", false);
        row("interval 0", R::CheckInterval, "0", false);
        row("interval, one more than the largest", R::CheckInterval, "2147484", false);
        row("interval, 11 digits", R::CheckInterval, "99999999999", false);
        row("interval, letters", R::CheckInterval, "abc", false);
        row("interval, signed", R::CheckInterval, "+60", false);
        row("interval, empty", R::CheckInterval, "", false);
        row("interval, CR LF", R::CheckInterval, "60\r\n", false);

        row("list of 0 lines", R::ListSize, 0, true);
        row("list of 1000 lines", R::ListSize, 1000, true);
        row("list of 1001 lines", R::ListSize, 1001, false);

        row("status", R::StatusText, QStringLiteral("登录成功"), true);
        row("status, empty", R::StatusText, "", true);
        row("status, 200 characters", R::StatusText, repeated("s", 200), true);
        row("status, 201 characters", R::StatusText, repeated("s", 201), false);
        row("status, LF", R::StatusText, "one\ntwo", false);
        row("status, CR", R::StatusText, "one\rtwo", false);
        row("status, ESC", R::StatusText, "\x1b[31mred", false);
        row("status, BEL", R::StatusText, "ring\a", false);
        row("status, byte-order mark", R::StatusText, QStringLiteral("\uFEFFok"), false);
        row("status, line separator", R::StatusText, QStringLiteral("one\u2028two"), false);
        row("status, 1 MB", R::StatusText, megabyte, false);

        row("mapping line", R::MappingLine, "203.0.113.5:8080  TCP  192.168.1.100:80", true);
        row("mapping line, single blanks", R::MappingLine, "0.0.0.0:53 UDP 10.0.0.5:5353", true);
        row("mapping line, empty", R::MappingLine, "", false);
        row("mapping line, a note", R::MappingLine, "hand-typed note", false);
        row("mapping line, port 70000", R::MappingLine, "1.2.3.4:70000  TCP  5.6.7.8:80", false);
        row("mapping line, local port 0", R::MappingLine, "1.2.3.4:80  TCP  5.6.7.8:0", false);
        row("mapping line, protocol FOO", R::MappingLine, "1.2.3.4:80  FOO  5.6.7.8:80", false);
        row("mapping line, address 999.1.1.1", R::MappingLine, "999.1.1.1:80  TCP  5.6.7.8:80", false);
        row("mapping line, a host name", R::MappingLine, "1.2.3.4:80  TCP  x:1", false);
        row("mapping line, no local port", R::MappingLine, "1.2.3.4:80  TCP  5.6.7.8", false);
        row("mapping line, a fourth field", R::MappingLine, "1.2.3.4:80  TCP  5.6.7.8:80  x", false);
        row("mapping line, tabs", R::MappingLine, "1.2.3.4:80\tTCP\t5.6.7.8:80", false);
        row("mapping line, CR LF", R::MappingLine, "1.2.3.4:80  TCP  5.6.7.8:80\r\n", false);
        row("mapping line, ESC", R::MappingLine, "1.2.3.4:80  TCP  5.6.7.8:80\x1b[2J", false);
        row("mapping line, 1 MB", R::MappingLine, megabyte, false);
    }

    void valuesAreAcceptedOrRefusedWithAReason()
    {
        QFETCH(int, rule);
        QFETCH(QString, text);
        QFETCH(qint64, number);
        QFETCH(bool, accepted);
        const QString why = problem(Rule(rule), text, number);
        QCOMPARE(why.isEmpty(), accepted);
        // One short line, whatever the value held.
        QVERIFY(why.size() < 100 && !why.contains(u'\n'));
    }
};

QTEST_GUILESS_MAIN(TestInputRules)
#include "TestInputRules.moc"
