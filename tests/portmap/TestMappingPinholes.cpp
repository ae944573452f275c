#include "fakes/FakeClock.h"
#include "portmap/MappingPinholes.h"

#include <QSignalSpy>
#include <QTest>

using Step = RouterMapper::PinholeStep;

namespace {

// A router that takes every pinhole call and writes it down; the test answers for it.
class PinholeRouter final : public RouterMapper
{
public:
    bool offers = true;
    QStringList calls;

    QString protocol() const override { return QStringLiteral("UPnP"); }
    QString name() const override { return {}; }
    QString address() const override { return QStringLiteral("192.168.77.1"); }
    QString localAddress() const override { return {}; }
    bool busy() const override { return false; }
    bool find() override { return false; }
    bool finding() const override { return false; }
    void stop() override {}
    void networkChanged() override {}
    void requestExternalAddress() override {}
    bool add(const MappingLine::Ports&, const QString&, const QString&) override { return false; }
    bool remove(const MappingLine::Ports&) override { return false; }
    void release(const MappingLine::Ports&) override {}
    bool canLookUp() const override { return false; }
    bool lookUp(const MappingLine::Ports&) override { return false; }
    void retry(const MappingLine::Ports&) override {}
    void list(const QStringList&, std::function<void(const QStringList&)>) override {}
    bool canPinhole() const override { return offers; }
    bool addPinhole(const QString& protocol, int port, const QString& address, int) override
    {
        return note(QStringLiteral("add %1 %2 %3").arg(protocol).arg(port).arg(address));
    }
    bool renewPinhole(int id, const QString&, int) override { return note("renew " + QString::number(id)); }
    bool removePinhole(int id, const QString&) override { return note("remove " + QString::number(id)); }
    bool note(const QString& call) { return !(calls << call).isEmpty(); }
};

struct Rig
{
    FakeClock clock;
    PinholeRouter router;
    QString address = QStringLiteral("2001:db8::10");
    MappingPinholes pinholes{clock, LanguageCode::Et, [this] { return &router; }, [this] { return address; }};
    const QString add = QStringLiteral("add TCP 80 2001:db8::10");

    Rig()
    {
        clock.takeOverTimers();
        pinholes.open({QStringLiteral("TCP"), 8080, 80, {}});
        clock.advance(std::chrono::seconds(2));
    }
};

} // namespace

class TestMappingPinholes : public QObject
{
    Q_OBJECT

private slots:
    void aLineGoneWhileTheRouterAddsLetsItsPinholeGo()
    {
        Rig rig;
        rig.pinholes.keepOnly({});
        rig.pinholes.ended(Step::Add, true, 7);
        rig.clock.advance(std::chrono::seconds(1));
        QCOMPARE(rig.router.calls, (QStringList{rig.add, "remove 7"}));
    }

    void aFailedRenewalOpensItAgain()
    {
        Rig rig;
        rig.pinholes.ended(Step::Add, true, 3);
        rig.clock.advance(std::chrono::seconds(MappingPinholes::DefaultLeaseSeconds / 2));
        rig.pinholes.ended(Step::Renew, false, 3);
        rig.clock.advance(std::chrono::seconds(1));
        QCOMPARE(rig.router.calls, (QStringList{rig.add, "renew 3", rig.add}));
    }

    // The old pinhole goes once the new one is asked for; not at the renewal half an hour later.
    void aNewAddressIsTakenWhenTheMachinesAddressesChange()
    {
        Rig rig;
        rig.pinholes.ended(Step::Add, true, 3);
        rig.address = QStringLiteral("2001:db8::20");
        rig.pinholes.addressesChanged();
        rig.clock.advance(std::chrono::seconds(1));
        rig.pinholes.ended(Step::Add, true, 4);
        rig.clock.advance(std::chrono::seconds(1));
        QCOMPARE(rig.router.calls, (QStringList{rig.add, "add TCP 80 2001:db8::20", "remove 3"}));
    }

    void refusedAddsAreAskedEverMoreRarely()
    {
        Rig rig;
        for (int refusal = 0; refusal < 2; ++refusal) {
            rig.pinholes.ended(Step::Add, false, -1);
            rig.clock.advance(std::chrono::seconds(60));
        }
        QCOMPARE(rig.router.calls, (QStringList{rig.add, rig.add}));
    }

    void offOrNotOfferedSendsNothingMore()
    {
        Rig rig;
        rig.pinholes.ended(Step::Add, true, 3);
        rig.pinholes.setEnabled(false);
        rig.clock.advance(std::chrono::seconds(1));
        rig.pinholes.ended(Step::Remove, true, 3);
        rig.router.offers = false;
        QSignalSpy logged(&rig.pinholes, &MappingPinholes::logged);
        rig.pinholes.setEnabled(true);
        rig.clock.advance(std::chrono::seconds(5));
        QCOMPARE(rig.router.calls, (QStringList{rig.add, "remove 3"}));
        QCOMPARE(logged.size(), 1);
        QVERIFY(rig.pinholes.pinholes().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMappingPinholes)
#include "TestMappingPinholes.moc"
