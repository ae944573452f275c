#include "WindowFixture.h"

#include "fakes/FakeGateway.h"
#include "forms/TForm111.h"
#include "messages/PortMappingMessages.h"
#include "portmap/uAutoNAT.h"
#include "ui/LogBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include <memory>

namespace Text = Messages::PortMapping;

// The port mapping window in a temporary working folder, its gateway client
// aimed at a fake gateway on 127.0.0.1. Timer handlers are called by the
// tests; only the gateway exchanges run on the event loop.
struct MappingFixture : WindowFixture
{
    FakeGateway gateway;
    std::unique_ptr<TForm111> form;

    explicit MappingFixture(const QByteArray& storedList = {})
    {
        if (!storedList.isNull())
            write("jilu.txt", storedList);
        fakes.gatewaySearch = {QStringLiteral("127.0.0.1"), gateway.ssdpPort(), 0};
        fakes.resolver.hosts.insert(QStringLiteral("127.0.0.1"), {0x7f000001});
        form = std::make_unique<TForm111>(fakes.platform(), shell, state);
        form->AutoNAT1->setReadPause(std::chrono::milliseconds(0));
    }

    QStringList log() const { return form->Memo1->text().split(u'\n'); }
    int requestsFor(const QByteArray& action) const
    {
        return int(
            std::count_if(gateway.requests.cbegin(), gateway.requests.cend(),
                          [&](const QByteArray& request) { return request.contains("#" + action + "\""); }));
    }

    // Search, description and the first external address, as at start-up.
    bool runStartUpChain()
    {
        form->Timer2Timer();
        if (!QTest::qWaitFor([&] { return form->Timer1.interval() == 2000; }, 5000))
            return false;
        form->Timer1Timer();
        return QTest::qWaitFor(
            [&] { return form->Edit3->text() == QString::fromLatin1(gateway.externalAddress); }, 5000);
    }

    // One tick of the re-apply loop, waiting for its add to end.
    bool reapplyStep()
    {
        form->Timer3Timer();
        return QTest::qWaitFor([&] { return form->ReapplyState == QStringLiteral("ok"); }, 5000);
    }
};

class TestPortMapping : public QObject
{
    Q_OBJECT

private slots:
    void firstRunCreatesBothFilesAndStartsTheSearchInASecond()
    {
        MappingFixture f;
        QCOMPARE(f.read("jilu.txt"), QByteArray());
        QCOMPARE(f.read("shijian.txt"), QByteArray("60\r\n"));
        QCOMPARE(f.form->Timer2.interval(), 1000);
        QCOMPARE(f.form->Edit1->text(), QString("192.0.2.10"));
        QCOMPARE(f.form->Edit3->text(), QString("0.0.0.0"));
        QVERIFY(!f.form->Button1->isEnabled());
        QVERIFY(!f.form->BitBtn6->isEnabled());
        QCOMPARE(f.form->size(), QSize(570, 283));
        QCOMPARE(f.form->windowTitle(), QStringLiteral("路由器端口映射"));

        // An empty list: the first address starts the polling.
        QVERIFY(f.runStartUpChain());
        QCOMPARE(f.form->Timer5.interval(), 1000);
        f.form->Timer5Timer();
        QCOMPARE(f.form->Timer5.interval(), 11111);
    }

    void startUpChainReappliesTheStoredListOneAddAtATime()
    {
        const QByteArray stored("1.1.1.1:8080  TCP  10.0.0.5:80\r\n"
                                "1.1.1.1:5000  UDP  10.0.0.5:5001\r\n"
                                "1.1.1.1:2222  TCP  10.0.0.6:22\r\n");
        MappingFixture f(stored);
        QVERIFY(f.runStartUpChain());
        QCOMPARE(f.form->Label6->text(), QString("Linux/2.6    "));
        QVERIFY(f.log().contains(Text::searchSucceeded()));
        QVERIFY(f.log().contains(Text::externalAddress("11.22.33.2")));
        QCOMPARE(f.form->Timer3.interval(), 1000);
        QVERIFY(!f.form->Button1->isEnabled());

        for (int step = 1; step <= 3; ++step) {
            QVERIFY(f.reapplyStep());
            QCOMPARE(f.requestsFor("AddPortMapping"), step);
        }
        QCOMPARE(f.form->Timer3.interval(), 0);
        QCOMPARE(f.form->Timer5.interval(), 1000);
        QCOMPARE(f.gateway.mappings.keys(), (QList<QByteArray>{"2222 TCP", "5000 UDP", "8080 TCP"}));
        // The internal client is this machine's address towards the router,
        // not what its host name gives (192.0.2.10).
        QVERIFY(f.gateway.mappings.value("5000 UDP").contains("<NewInternalClient>127.0.0.1<"));
        QCOMPARE(f.form->mappingLines(),
                 (QStringList{"11.22.33.2:8080  TCP  127.0.0.1:80", "11.22.33.2:5000  UDP  127.0.0.1:5001",
                              "11.22.33.2:2222  TCP  127.0.0.1:22"}));
        QCOMPARE(f.read("jilu.txt"), stored); // the loop never rewrites the file
        QCOMPARE(f.form->Label10->text(), Text::portAddedLabel());
        QVERIFY(f.form->Button1->isEnabled());
    }

    void aChangedExternalAddressReappliesEveryLine()
    {
        MappingFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:53  UDP  10.0.0.5:53\r\n");
        QVERIFY(f.runStartUpChain());
        QVERIFY(f.reapplyStep() && f.reapplyStep());

        f.form->Timer5Timer(); // same address: nothing more
        QTRY_COMPARE(f.log().last(), Text::externalAddress("11.22.33.2"));
        QCOMPARE(f.form->Timer3.interval(), 0);

        f.gateway.externalAddress = "11.22.33.99";
        f.form->Timer5Timer();
        QTRY_COMPARE(f.form->Edit3->text(), QString("11.22.33.99"));
        QCOMPARE(f.form->Timer3.interval(), 1000);
        QVERIFY(f.reapplyStep() && f.reapplyStep());
        QCOMPARE(f.requestsFor("AddPortMapping"), 4);
        QVERIFY(f.form->mappingLines().at(1).startsWith("11.22.33.99:53  UDP"));

        // Once a day the list is applied again, even with a steady address.
        QCOMPARE(f.form->dailyReapply.interval(), 24 * 60 * 60 * 1000);
        f.form->dailyReapplyTimer();
        QCOMPARE(f.form->Timer3.interval(), 1000);
        QCOMPARE(f.form->ReapplyIndex, 0);
    }

    void reloadedFilesAreAppliedAndEveryMappingTheRouterTookIsReported()
    {
        MappingFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n");
        QSignalSpy added(f.form.get(), &TForm111::mappingAdded);
        QVERIFY(f.runStartUpChain());
        QVERIFY(f.reapplyStep());
        QCOMPARE(added.size(), 1);
        QCOMPARE(added.at(0).at(0).toString(), QString("11.22.33.2:8080  TCP  127.0.0.1:80"));

        f.write("jilu.txt", "1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:53  UDP  10.0.0.5:53\r\n");
        f.write("shijian.txt", "90\r\n");
        f.form->reloadFiles();
        QCOMPARE(f.form->Memo3, QStringList{"90"});
        QCOMPARE(f.form->Timer3.interval(), 1000);
        QVERIFY(f.reapplyStep() && f.reapplyStep());
        QCOMPARE(f.gateway.mappings.keys(), (QList<QByteArray>{"53 UDP", "8080 TCP"}));
        QCOMPARE(added.size(), 3);
        QCOMPARE(added.at(2).at(0).toString(), QString("11.22.33.2:53  UDP  127.0.0.1:53"));

        QSignalSpy deleted(f.form.get(), &TForm111::mappingDeleted);
        f.form->RadioButton2->setChecked(true);
        f.form->RadioButton4->setChecked(true);
        f.form->Edit4->setText("53");
        f.form->Edit2->setText("53");
        f.form->Button1Click();
        QTRY_COMPARE(deleted.size(), 1);
        QCOMPARE(deleted.at(0).at(0).toString(), QString("11.22.33.2:53  UDP  127.0.0.1:53"));
    }

    void aLargeGarbledListLoadsAndOnlyItsMappingLinesAreApplied()
    {
        QByteArray stored;
        for (int i = 0; i < 10000; ++i)
            stored +=
                i % 1000 == 1
                    ? QByteArray("0.0.0.0:") + QByteArray::number(8000 + i / 1000) + "  TCP  10.0.0.5:80\r\n"
                    : QByteArray("\xFF\x81:\0\x7F TCP \xC3(", 11) + QByteArray::number(i) + "\r\n";
        MappingFixture f(stored);
        QCOMPARE(f.form->mappingLines().size(), 10000);
        QVERIFY(f.runStartUpChain());
        for (int tick = 0; tick < 20 && f.form->Timer3.isRunning(); ++tick)
            QVERIFY(f.reapplyStep());
        QCOMPARE(f.requestsFor("AddPortMapping"), 1); // line 1; lines 0 and 2 to 19 were skipped
        QCOMPARE(f.form->ReapplyIndex, 20);
        QCOMPARE(f.read("jilu.txt"), stored);
    }

    void executeAddTwiceSendsTwiceAndStoresOnceAndDeleteOfAnUnknownLineSendsNothing()
    {
        MappingFixture f;
        QVERIFY(f.runStartUpChain());
        f.form->Edit4->setText("8080");
        f.form->Edit2->setText("80");
        for (int i = 1; i <= 2; ++i) {
            f.form->Button1Click();
            QTRY_COMPARE(f.requestsFor("AddPortMapping"), i);
            QTRY_VERIFY(f.form->Button1->isEnabled());
        }
        QCOMPARE(f.read("jilu.txt"), QByteArray("11.22.33.2:8080  TCP  127.0.0.1:80\r\n"));
        QCOMPARE(f.form->Timer5.interval(), 11110);

        f.form->RadioButton4->setChecked(true);
        f.form->Edit4->setText("9999");
        f.form->Button1Click();
        settle();
        QCOMPARE(f.requestsFor("DeletePortMapping"), 0);
        QVERIFY(!f.form->Button1->isEnabled());

        f.form->Edit4->setText("8080");
        f.form->Button1Click();
        QTRY_COMPARE(f.requestsFor("DeletePortMapping"), 1);
        QCOMPARE(f.read("jilu.txt"), QByteArray());
    }

    void aPortThatIsNoNumberSendsNothing()
    {
        MappingFixture f;
        QVERIFY(f.runStartUpChain());
        for (const char* port : {"http", "0", "65536", "+80", ""}) {
            f.form->Edit4->setText(QString::fromLatin1(port));
            f.form->Button1Click();
            QCOMPARE(f.log().last(), Text::portNotANumber());
        }
        settle();
        QCOMPARE(f.requestsFor("AddPortMapping"), 0);
        QCOMPARE(f.read("jilu.txt"), QByteArray());
    }

    void badLinesDoNotStallTheLoop()
    {
        MappingFixture f("hand-typed note\r\n1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:99999  TCP  x:1\r\n"
                         "1.1.1.1:7000  UDP  10.0.0.5:7000\r\n");
        QVERIFY(f.runStartUpChain());
        f.form->Timer3Timer(); // the note is skipped
        QCOMPARE(f.log().last(), Text::notAMappingLineSkipped("hand-typed note"));
        QCOMPARE(f.form->ReapplyState, QString("ok"));
        QVERIFY(f.reapplyStep());
        f.form->Timer3Timer(); // port 99999 is no port
        QCOMPARE(f.log().last(), Text::notAMappingLineSkipped("1.1.1.1:99999  TCP  x:1"));
        QVERIFY(f.reapplyStep());
        QCOMPARE(f.requestsFor("AddPortMapping"), 2);
        QCOMPARE(f.form->Timer3.interval(), 0);
        QCOMPARE(f.gateway.mappings.keys(), (QList<QByteArray>{"7000 UDP", "8080 TCP"}));
    }

    // A router that takes the connection but never answers an add: the line
    // is tried once more, then skipped, and the loop goes on.
    void anUnansweredAddIsTriedOnceMoreThenSkipped()
    {
        MappingFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:8081  TCP  10.0.0.5:81\r\n");
        QVERIFY(f.runStartUpChain());
        f.form->AutoNAT1->setTimeout(1000);
        f.gateway.reply = [&](const QByteArray& request) {
            if (request.contains("<NewExternalPort>8080<")) {
                GatewayReply silence;
                silence.closeAfter = false;
                return silence;
            }
            return f.gateway.standardReply(request);
        };
        QVERIFY(f.reapplyStep());
        QCOMPARE(f.log().last(), Text::addUnfinishedRetried(f.form->mappingLines().at(0)));
        QCOMPARE(f.form->ReapplyIndex, 0);
        QVERIFY(f.reapplyStep());
        QCOMPARE(f.log().last(), Text::addUnfinishedSkipped(f.form->mappingLines().at(0)));
        QVERIFY(f.reapplyStep());
        QCOMPARE(f.gateway.mappings.keys(), QList<QByteArray>{"8081 TCP"});
    }

    // The address poll of the timers waits for a running add, instead of
    // taking it over.
    void aPollWaitsForTheRunningAdd()
    {
        MappingFixture f;
        QVERIFY(f.runStartUpChain());
        const int polls = f.requestsFor("GetExternalIPAddress");
        f.gateway.reply = [&](const QByteArray& request) {
            GatewayReply reply = f.gateway.standardReply(request);
            if (request.contains("#AddPortMapping"))
                reply.segments = {reply.segments.first().left(12), reply.segments.first().mid(12)};
            reply.gapMs = 300;
            return reply;
        };
        f.form->Edit4->setText("8080");
        f.form->Button1Click();
        f.form->Timer5Timer();
        QTRY_COMPARE(f.requestsFor("GetExternalIPAddress"), polls + 1);
        QCOMPARE(f.form->Label10->text(), Text::portAddedLabel());
        QCOMPARE(f.gateway.mappings.keys(), QList<QByteArray>{"8080 TCP"});
        QVERIFY(f.read("jilu.txt").startsWith("11.22.33.2:8080  TCP  "));
    }

    void aRefusedAddIsShownAndNotStored()
    {
        MappingFixture f;
        QVERIFY(f.runStartUpChain());
        f.gateway.refusedAdds = {"8080 TCP"};
        f.form->Edit4->setText("8080");
        f.form->Button1Click();
        QTRY_VERIFY(f.form->Button1->isEnabled());
        QCOMPARE(f.form->Label10->text(), Text::addRefusedLabel(718, "ConflictInMappingEntry"));
        QCOMPARE(f.log().last(), Text::addRefused(718, "ConflictInMappingEntry"));
        QCOMPARE(f.form->mappingLines(), QStringList());
        QCOMPARE(f.read("jilu.txt"), QByteArray());
    }

    // No router: searches go on with a growing pause, logged once; a new
    // address on the machine searches soon; the router, once there, is used.
    void withoutARouterTheSearchGoesOnQuietly()
    {
        MappingFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n");
        const QList<QByteArray> answers = f.gateway.ssdpAnswers;
        f.gateway.ssdpAnswers.clear();
        QList<int> pauses;
        f.form->Timer2Timer();
        for (int search = 0; search < 6; ++search) {
            if (search > 0)
                f.form->researchTimerTimer();
            QTRY_COMPARE(f.gateway.searches.size(), search + 1);
            f.form->AutoNAT1->timeOut();
            pauses << f.form->researchTimer.interval();
        }
        QCOMPARE(pauses, (QList<int>{5000, 10000, 20000, 40000, 120000, 120000}));
        QCOMPARE(f.log().count(Text::searchFailed()), 1);
        QCOMPARE(f.log().count(Text::searchStarted()), 1);
        QCOMPARE(f.log().count(Text::routerLostRetrying()), 1);
        QVERIFY(!f.state.routerAnswering());

        f.fakes.addressWatch.announce();
        QCOMPARE(f.form->researchTimer.interval(), 1000);
        f.gateway.ssdpAnswers = answers;
        f.form->researchTimerTimer();
        QTRY_COMPARE(f.form->Timer1.interval(), 2000);
        f.form->Timer1Timer();
        QTRY_COMPARE(f.form->Edit3->text(), QString("11.22.33.2"));
        QCOMPARE(f.log().count(Text::routerBack()), 1);
        QVERIFY(f.state.routerAnswering());
        QCOMPARE(f.form->Timer3.interval(), 1000);
    }

    // Until its own link is up a router reports "0.0.0.0": polling goes on.
    // An address poll that fails three times in a row starts the search again.
    void aRouterWithoutAddressIsPolledAndAFailingOneSearchedAgain()
    {
        MappingFixture f;
        f.gateway.externalAddress = "0.0.0.0";
        f.form->Timer2Timer();
        QTRY_COMPARE(f.form->Timer1.interval(), 2000);
        f.form->Timer1Timer();
        QTRY_VERIFY(f.log().contains(Text::externalAddressNotYet()));
        QCOMPARE(f.form->Timer5.interval(), 11111);
        QCOMPARE(f.form->Edit3->text(), QString("0.0.0.0"));

        f.gateway.externalAddress = "bad";
        for (int poll = 1; poll <= 3; ++poll) {
            f.form->Timer5Timer();
            QTRY_COMPARE(f.log().count(Text::externalAddressFailed()), poll);
        }
        QVERIFY(f.log().contains(Text::routerLostRetrying()));
        QCOMPARE(f.form->Timer5.interval(), 0);
        QCOMPARE(f.form->researchTimer.interval(), 5000);
    }

    // A TV answers the search first: its description holds no WAN
    // connection, and the router that answered after it is used.
    void aDeviceThatIsNoRouterIsPassedOver()
    {
        MappingFixture f;
        f.gateway.ssdpAnswers.prepend(FakeGateway::ssdpAnswer(f.gateway.url("/tv.xml")));
        QVERIFY(f.runStartUpChain());
        QVERIFY(f.log().contains(Text::controlPageFailed()));
        QVERIFY(
            f.log().contains(Text::tryingNextDevice(QString::fromLatin1(f.gateway.url("/rootDesc.xml")))));
        QCOMPARE(f.form->Label6->text(), QString("Linux/2.6    "));
    }

    // Every 5 minutes the router is asked for each stored mapping; those it
    // lost, or that lead elsewhere, are applied again, and only those.
    void mappingsTheRouterForgotAreAppliedAgain()
    {
        MappingFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n1.1.1.1:53  UDP  10.0.0.5:53\r\n"
                         "1.1.1.1:22  TCP  10.0.0.5:22\r\n");
        QVERIFY(f.runStartUpChain());
        QVERIFY(f.reapplyStep() && f.reapplyStep() && f.reapplyStep());
        QCOMPARE(f.form->mappingCheck.interval(), 5 * 60 * 1000);
        f.gateway.mappings.remove("8080 TCP");
        f.gateway.mappings["22 TCP"].replace("<NewInternalClient>127.0.0.1<",
                                             "<NewInternalClient>127.0.0.9<");
        f.form->mappingCheckTimer();
        QTRY_COMPARE(f.form->Timer3.interval(), 1000);
        QCOMPARE(f.requestsFor("GetSpecificPortMappingEntry"), 3);
        QVERIFY(f.log().contains(Text::mappingsMissing(2)));
        for (int tick = 0; tick < 3 && f.form->Timer3.isRunning(); ++tick)
            QVERIFY(f.reapplyStep());
        QCOMPARE(f.requestsFor("AddPortMapping"), 5);
        QCOMPARE(f.gateway.mappings.keys(), (QList<QByteArray>{"22 TCP", "53 UDP", "8080 TCP"}));
        QVERIFY(f.gateway.mappings.value("22 TCP").contains("<NewInternalClient>127.0.0.1<"));
    }

    void theRouterMappingsAreListedWithTheirMarks()
    {
        MappingFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n");
        QStringList listed;
        f.form->listRouterMappings([&](const QStringList& lines) { listed = lines; });
        QCOMPARE(listed, QStringList{Text::routerMappingsNoRouter()});
        QVERIFY(f.runStartUpChain());
        QVERIFY(f.reapplyStep());
        f.gateway.mappings.insert("3389 TCP",
                                  "<NewInternalPort>3389</NewInternalPort><NewInternalClient>"
                                  "127.0.0.50</NewInternalClient><NewEnabled>1</NewEnabled>"
                                  "<NewPortMappingDescription>desk\x1b[2J</NewPortMappingDescription>");
        listed.clear();
        f.form->listRouterMappings([&](const QStringList& lines) { listed = lines; });
        QTRY_COMPARE(listed.size(), 2);
        QCOMPARE(listed, (QStringList{"TCP 3389 -> 127.0.0.50:3389  desk [2J",
                                      "TCP 8080 -> 127.0.0.1:80  [本机]  [已保存]  TestUDP"}));
        QCOMPARE(f.requestsFor("GetGenericPortMappingEntry"), 3);
    }

    void failuresOfTheChainAreShown()
    {
        {
            MappingFixture f;
            f.gateway.ssdpAnswers = {"HTTP/1.1 200 OK\r\nLOCATION: nowhere\r\n\r\n"};
            f.form->Timer2Timer();
            QTRY_COMPARE(f.gateway.searches.size(), 1);
            settle();
            f.form->AutoNAT1->timeOut(); // an answer naming no usable gateway is none
            QCOMPARE(f.form->Label6->text(), Text::searchFailedLabel());
            QVERIFY(f.log().contains(Text::searchFailed()));
        }
        {
            MappingFixture f;
            f.gateway.reply = [](const QByteArray&) {
                return GatewayReply::whole(FakeGateway::response("404 Not Found", {}));
            };
            f.form->Timer2Timer();
            QTRY_VERIFY(f.log().contains(Text::controlPageFailed()));
            QCOMPARE(f.form->Timer1.interval(), 0);
        }
        {
            MappingFixture f;
            f.gateway.ssdpAnswers = {
                FakeGateway::ssdpAnswer(f.gateway.url("/rootDesc.xml"), "Linux/2.4 UPnP/1.0")};
            f.gateway.externalAddress = "<b>6.6.6.6</b>";
            f.form->Timer2Timer();
            QTRY_COMPARE(f.form->Timer1.interval(), 2000);
            QCOMPARE(f.form->Label6->text(), QString("Linux/2.4    "));
            f.form->Timer1Timer();
            QTRY_VERIFY(f.log().contains(Text::externalAddressFailed()));
            QCOMPARE(f.form->Edit3->text(), QString("0.0.0.0"));
            QCOMPARE(f.form->Label6->text(), Text::contactDeveloperLabel());
        }
    }

    void automaticCheckIntervalAndItsFile()
    {
        MappingFixture f;
        f.form->Edit5->setText("5");
        QCOMPARE(f.read("shijian.txt"), QByteArray("5\r\n"));
        f.form->CheckBox1->setChecked(true);
        QCOMPARE(f.form->Timer4.interval(), 15000);
        f.form->Edit5->setText("abc");
        QCOMPARE(f.form->Timer4.interval(), 15000); // a change alone does not restart it
        f.form->CheckBox1Click();
        QCOMPARE(f.form->Timer4.interval(), 60000);
        f.form->Edit5->setText("99999999999");
        f.form->CheckBox1Click();
        QVERIFY(f.form->Timer4.interval() > 0);
        f.form->CheckBox1->setChecked(false);
        QCOMPARE(f.form->Timer4.interval(), 0);
    }

    void linksOpenTheirPagesAndHideHides()
    {
        MappingFixture f;
        f.form->show();
        f.form->Label7Click();
        f.form->Label8Click();
        QCOMPARE(f.fakes.browser.opened, (QStringList{"http://www.kelvane.example/port.asp",
                                                      "http://www.kelvane.example/portlist.asp"}));
        f.form->Label11Click();
        QVERIFY(!f.form->isVisible());
    }

private:
    static void settle() { QTest::qWait(50); }
};

QTEST_MAIN(TestPortMapping)
#include "TestPortMapping.moc"
