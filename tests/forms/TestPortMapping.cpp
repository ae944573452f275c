#include "WindowFixture.h"

#include "fakes/FakeGateway.h"
#include "forms/TForm111.h"
#include "messages/PortMappingMessages.h"
#include "portmap/MappingKeeper.h"
#include "portmap/upnp/TAutoNAT.h"
#include "portmap/upnp/UpnpMapper.h"
#include "ui/LogBox.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

namespace Text = Messages::PortMapping;

// The port mapping window showing a keeper that works in a temporary folder
// against a fake gateway on 127.0.0.1. Controls are reached by name.
struct MappingFixture : WindowFixture
{
    FakeGateway gateway;
    std::unique_ptr<Engine> all;
    MappingKeeper* keeper = nullptr;
    std::unique_ptr<ServedModel> served;
    std::unique_ptr<TForm111> form;

    explicit MappingFixture(const QByteArray& storedList)
    {
        write("jilu.txt", storedList);
        fakes.gatewaySearch = {QStringLiteral("127.0.0.1"), gateway.ssdpPort(), 0};
        fakes.resolver.hosts.insert(QStringLiteral("127.0.0.1"), {0x7f000001});
        all = std::make_unique<Engine>(fakes.platform(), shell.title, folder.path());
        keeper = &all->mappingKeeper;
        static_cast<UpnpMapper*>(keeper->mapperOf("UPnP"))->gateway().setReadPause(std::chrono::milliseconds(0));
        served = std::make_unique<ServedModel>(*all, fakes.platform());
        form = std::make_unique<TForm111>(fakes.platform(), shell, served->model, served->actions);
    }

    template <typename Control> Control* control(const char* name) const
    {
        return form->findChild<Control*>(QString::fromLatin1(name));
    }
    QStringList shownLines() const { return control<QPlainTextEdit>("Memo2")->toPlainText().split(u'\n'); }

    // Start-up chain and the loop over the stored list, to its end.
    bool applied()
    {
        keeper->startupSearchTick();
        if (!QTest::qWaitFor([&] { return keeper->pollAfterDescription.isRunning(); }, 5000))
            return false;
        keeper->pollAfterDescriptionTick();
        return QTest::qWaitFor([&] { return keeper->reapplyTimer.isRunning(); }, 5000) && reapplied();
    }
    bool reapplied()
    {
        for (int tick = 0; tick < 10 && keeper->reapplyTimer.isRunning(); ++tick) {
            keeper->reapplyNext();
            if (!QTest::qWaitFor([&] { return keeper->reapplyState() == MappingKeeper::ReapplyState::Ready; },
                                 5000))
                return false;
        }
        return !keeper->reapplyTimer.isRunning();
    }
};

class TestPortMapping : public QObject
{
    Q_OBJECT

private slots:
    void showsTheKeepersListAndForwardsExecute()
    {
        MappingFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n");
        QCOMPARE(f.form->size(), QSize(570, 283));
        QCOMPARE(f.form->windowTitle(), QStringLiteral("路由器端口映射"));
        QCOMPARE(f.shownLines(), QStringList{"1.1.1.1:8080  TCP  10.0.0.5:80"});
        QVERIFY(!f.control<QPushButton>("Button1")->isEnabled());
        QVERIFY(f.applied());
        QCOMPARE(f.control<QLineEdit>("Edit3")->text(), QString("11.22.33.2"));
        QCOMPARE(f.control<QLineEdit>("Edit1")->text(), QString("127.0.0.1"));
        QCOMPARE(f.shownLines(), QStringList{"11.22.33.2:8080  TCP  127.0.0.1:80"});
        QVERIFY(f.control<LogBox>("Memo1")->text().contains(Text::searchSucceeded()));

        f.control<QRadioButton>("RadioButton2")->setChecked(true);
        f.control<QLineEdit>("Edit4")->setText("5353");
        f.control<QLineEdit>("Edit2")->setText("53");
        QTest::mouseClick(f.control<QPushButton>("Button1"), Qt::LeftButton);
        QTRY_COMPARE(f.control<QLabel>("Label10")->text(), Text::portAddedLabel());
        QVERIFY(f.control<QPushButton>("Button1")->isEnabled());
        QCOMPARE(f.shownLines(),
                 (QStringList{"11.22.33.2:8080  TCP  127.0.0.1:80", "11.22.33.2:5353  UDP  127.0.0.1:53"}));
    }

    // The list's menu, by the keyboard's menu key, takes the mappings off
    // the router and leaves the list as it is.
    void theListsMenuWithdrawsTheMappingsAndKeepsTheList()
    {
        MappingFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n");
        QVERIFY(f.applied());
        QCOMPARE(f.gateway.mappings.size(), 1);
        auto* list = f.control<QPlainTextEdit>("Memo2");
        const QPoint inside(5, 5);
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, inside, list->viewport()->mapToGlobal(inside));
        QCoreApplication::sendEvent(list->viewport(), &menuKey);
        auto* withdraw = f.form->findChild<QAction*>("withdrawMappings");
        QVERIFY(withdraw && withdraw->isEnabled());
        withdraw->trigger();
        QTRY_VERIFY(f.gateway.mappings.isEmpty());
        QTRY_VERIFY(f.control<QPushButton>("BitBtn6")->isEnabled());
        QCOMPARE(f.shownLines(), QStringList{"11.22.33.2:8080  TCP  127.0.0.1:80"});
        QCOMPARE(f.read("jilu.txt"), QByteArray("1.1.1.1:8080  TCP  10.0.0.5:80\r\n"));
    }

    // An address typed for another host serves that add alone: refused by
    // the router, it is neither stored nor used by the loop or the check.
    void typedFieldsNeverChangeTheStoredLines()
    {
        MappingFixture f("1.1.1.1:8080  TCP  10.0.0.5:80\r\n");
        QVERIFY(f.applied());
        f.gateway.refusedAdds = {"8081 TCP"};
        auto* client = f.control<QLineEdit>("Edit1");
        client->selectAll();
        QTest::keyClicks(client, "192.168.77.99");
        f.control<QLineEdit>("Edit4")->setText("8081");
        f.form->Button1Click();
        QTRY_VERIFY(f.control<QPushButton>("Button1")->isEnabled());
        QCOMPARE(f.control<QLabel>("Label10")->text(), Text::addRefusedLabel(718, "ConflictInMappingEntry"));

        f.form->BitBtn6Click();
        QVERIFY(f.reapplied());
        QCOMPARE(f.keeper->lines(), QStringList{"11.22.33.2:8080  TCP  127.0.0.1:80"});
        QVERIFY(f.gateway.mappings.value("8080 TCP").contains("<NewInternalClient>127.0.0.1<"));
        QCOMPARE(client->text(), QString("192.168.77.99"));
        f.keeper->checkMappings();
        QTRY_VERIFY(!f.keeper->checkStepTimer.isRunning());
        QVERIFY(!f.control<LogBox>("Memo1")->text().contains(Text::mappingsMissing(1)));
    }

    void linksOpenTheirPagesAndHideHides()
    {
        MappingFixture f({});
        f.form->show();
        f.form->Label7Click();
        f.form->Label8Click();
        QCOMPARE(f.fakes.browser.opened, (QStringList{"http://www.kelvane.example/port.asp",
                                                      "http://www.kelvane.example/portlist.asp"}));
        f.form->Label11Click();
        QVERIFY(!f.form->isVisible());
    }
};

QTEST_MAIN(TestPortMapping)
#include "TestPortMapping.moc"
