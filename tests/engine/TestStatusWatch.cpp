#include "engine/Engine.h"
#include "engine/StatusWatch.h"
#include "fakes/FakeDnsServer.h"
#include "fakes/FakePlatform.h"

#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

class TestStatusWatch : public QObject
{
    Q_OBJECT

private slots:
    // The provider's page is read once a run. After the address changed the
    // public address follows the checks; until they saw it, its time says it
    // is older than the published one.
    void thePublicAddressFollowsTheChecks()
    {
        QTemporaryDir folder;
        FakePlatform fakes{folder.path()};
        fakes.resolver.hosts.insert("main.kelvane.example", {0x7f000001});
        for (const char* page : {"http://www.kelvane.example/ips.asp", "http://main.kelvane.example/ips.asp"})
            fakes.http.pages.insert(page, "11.22.33.2");
        FakeDnsServer provider{LoginExchange::ordinaryPort};
        QVERIFY(provider.isListening());
        Engine engine(fakes.platform(), "Kelvane", folder.path());
        const StatusWatch status(engine, fakes.clock);
        fakes.clock.takeOverTimers();
        const auto logInPublishing = [&](const QByteArray& address) {
            provider.reply = "dengluok112a.kelvane.example&&&" + address + "&&&";
            engine.logins.logIn("a.kelvane.example", "secret");
            fakes.clock.advance(10ms);
            return QTest::qWaitFor([&] { return engine.logins.primary().publishedAddress() == address; },
                                   5000);
        };
        // "NAME: ADDRESS since|seen TIME"
        const auto dated = [&](const QString& name) {
            const QString line = status.text().split(u'\n').filter(name + ": ").value(0);
            return std::pair(line.section(u' ', 2, 2),
                             QDateTime::fromString(line.section(u' ', 4), Qt::ISODate));
        };

        QVERIFY(logInPublishing("11.22.33.2"));
        engine.state.setRouterExternalAddress("11.22.33.2");
        fakes.clock.advance(40s); // the page read, and the server checks
        QCOMPARE(dated("public address").first, "11.22.33.2");
        QVERIFY(dated("public address").second > dated("published address").second);

        QVERIFY(logInPublishing("11.22.33.17"));
        const auto published = dated("published address");
        QCOMPARE(published.first, "11.22.33.17");
        QCOMPARE(dated("public address").first, "11.22.33.2");
        QVERIFY(dated("public address").second < published.second);
        engine.state.setRouterExternalAddress("11.22.33.17");
        fakes.clock.advance(15s);
        QCOMPARE(dated("public address").first, "11.22.33.17");
        QVERIFY(dated("public address").second >= published.second);
    }
};

QTEST_GUILESS_MAIN(TestStatusWatch)
#include "TestStatusWatch.moc"
