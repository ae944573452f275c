#include "platform/GlobalIPv6.h"

#include <QTest>

using GlobalIPv6::Candidate;

class TestGlobalIPv6 : public QObject
{
    Q_OBJECT

private slots:
    // Each row: addresses as "address[,d][,b]" (deprecated, beside the IPv4 route), and the choice.
    void choice_data()
    {
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("only global") << QStringList{"fe80::1", "fd00::5", "2001:db8:1::10"}
                                     << "2001:db8:1::10";
        QTest::newRow("none") << QStringList{"::1",     "fe80::1,b",   "fc00::1",
                                             "ff02::1", "192.168.1.2", "::ffff:10.0.0.1"}
                              << "";
        QTest::newRow("beside the route first")
            << QStringList{"2001:db8:2::1", "2001:db8:1::10,b"} << "2001:db8:1::10";
        QTest::newRow("deprecated beside beats elsewhere")
            << QStringList{"2001:db8:2::1", "2001:db8:1::1,d,b"} << "2001:db8:1::1";
    }

    void choice()
    {
        QFETCH(QStringList, addresses);
        QList<Candidate> candidates;
        for (const QString& text : addresses) {
            const QStringList parts = text.split(',');
            candidates.append({QHostAddress(parts.first()), parts.contains("d"), parts.contains("b")});
        }
        QTEST(GlobalIPv6::choose(candidates), "chosen");
    }
};

QTEST_APPLESS_MAIN(TestGlobalIPv6)
#include "TestGlobalIPv6.moc"
