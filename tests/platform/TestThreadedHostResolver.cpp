#include "platform/ThreadedHostResolver.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

constexpr std::uint32_t kLoopback = 0x7f000001;

// A look-up that blocks its worker until the test opens it.
struct Gate
{
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::atomic<bool> returned = false;

    void openUp()
    {
        const std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }
};

ThreadedHostResolver::BlockingLookup blockedBy(const std::shared_ptr<Gate>& gate)
{
    return [gate](const QByteArray&) {
        std::unique_lock lock(gate->mutex);
        gate->opened.wait_for(lock, std::chrono::seconds(10), [&] { return gate->open; });
        gate->returned = true;
        HostLookupResult result;
        result.addresses = {kLoopback};
        return result;
    };
}

} // namespace

class TestThreadedHostResolver : public QObject
{
    Q_OBJECT

private slots:
    void answersLiteralsAndNamesLater()
    {
        ThreadedHostResolver resolver;
        QObject context;
        QList<HostLookupResult> results;
        const auto collect = [&](const HostLookupResult& result) { results << result; };
        resolver.lookup(QStringLiteral("127.0.0.1"), &context, collect);
        resolver.lookup(QStringLiteral("localhost"), &context, collect); // from /etc/hosts
        QVERIFY(results.isEmpty());

        QTRY_COMPARE(results.size(), 2);
        QCOMPARE(results[0].addresses, std::vector<std::uint32_t>{kLoopback});
        QVERIFY(results[1].ok());
        QVERIFY(std::count(results[1].addresses.begin(), results[1].addresses.end(), kLoopback) == 1);
    }

    void timesOutAndIgnoresTheLateAnswer()
    {
        const auto gate = std::make_shared<Gate>();
        ThreadedHostResolver resolver(std::chrono::milliseconds(20), blockedBy(gate));
        QObject context;
        QList<HostLookupResult> results;
        resolver.lookup(QStringLiteral("slow.example"), &context,
                        [&](const HostLookupResult& result) { results << result; });

        QTRY_COMPARE(results.size(), 1);
        QCOMPARE(results[0].errorCode, ETIMEDOUT);
        QVERIFY(!results[0].ok());

        gate->openUp();
        QTRY_VERIFY(gate->returned);
        QTest::qWait(50); // room for a wrongly delivered late answer
        QCOMPARE(results.size(), 1);
    }

    void dropsTheAnswerWhenTheContextIsGone()
    {
        const auto gate = std::make_shared<Gate>();
        ThreadedHostResolver resolver(std::chrono::seconds(10), blockedBy(gate));
        int answers = 0;
        {
            QObject context;
            resolver.lookup(QStringLiteral("gone.example"), &context,
                            [&](const HostLookupResult&) { ++answers; });
            resolver.lookup(QStringLiteral("127.0.0.1"), &context,
                            [&](const HostLookupResult&) { ++answers; });
        }
        gate->openUp();
        QTRY_VERIFY(gate->returned);
        QTest::qWait(50);
        QCOMPARE(answers, 0);
    }
};

QTEST_GUILESS_MAIN(TestThreadedHostResolver)
#include "TestThreadedHostResolver.moc"
