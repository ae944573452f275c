#include "WindowFixture.h"

#include "ProgramWindows.h"
#include "fakes/HostMappingHttpClient.h"
#include "fakes/ScriptedHttpServer.h"
#include "fakes/ThreadedWebSite.h"
#include "forms/TForm1.h"
#include "messages/Messages.h"
#include "ui/StatusPanels.h"
#include "ui/WebPane.h"
#include "ui/WebPaneStartup.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>

namespace {

// Records what it is asked to load; the title is played by the test.
class RecordingPane final : public WebPane
{
public:
    using WebPane::WebPane;
    QStringList loaded;
    void load(const QString& url) override { loaded << url; }
};

QByteArray gifOf(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG"); // what the server calls a GIF, any readable image will do
    return bytes;
}

} // namespace

class TestWebAndMenus : public QObject
{
    Q_OBJECT

private slots:
    void everyMenuEntryAndToolbarButtonOpensItsPage()
    {
        const QString site = QStringLiteral("http://www.kelvane.example");
        const QString registration = QStringLiteral("http://www.domains.example");
        const QList<std::pair<const char*, QString>> entries{
            {"N1", site + "/ycxz.asp"},
            {"mnuCut", site + "/regedit.shtml"},
            {"mnuCopy", registration},
            {"N6", site + "/jzbz2000.asp"},
            {"N7", site + "/jzbzxp.asp"},
            {"N8", site + "/sgymjz.shtml"},
            {"N9", site + "/chanshimore.asp"},
            {"N10", site + "/djyujx.asp"},
            {"N12", site + "/start.shtml"},
            {"N15", site + "/ddnskhd.asp"},
            {"N3", site + "/yinanjd.shtml"},
            {"N4", site + "/help2010.asp"},
            {"mnuAbout", site + "/"},
            {"ToolButton1", site + "/ycxz.asp"},
            {"ToolButton2", site + "/regedit.shtml"},
            {"ToolButton3", registration},
            {"ToolButton4", site + "/jzbz2000.asp"},
            {"tbCopy", site + "/jzbzxp.asp"},
            {"tbPaste", site + "/sgymjz.shtml"},
            {"ToolButton9", site + "/chanshimore.asp"},
            {"tbDelete", site + "/djyujx.asp"},
            {"tbAttribute", site + "/yinanjd.shtml"},
            {"tbViewStyle", site + "/help2010.asp"},
        };
        WindowFixture f;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        TForm1& form = windows.Form1;
        for (const auto& [control, url] : entries) {
            const QString name = QString::fromLatin1(control);
            if (auto* action = form.findChild<QAction*>(name))
                action->trigger();
            else if (auto* button = form.findChild<QToolButton*>(name))
                button->click();
            else
                QFAIL(control);
            QCOMPARE(f.fakes.browser.opened.last(), url);
        }
        form.Label14Click();
        QCOMPARE(f.fakes.browser.opened.last(), site + "/help2010.asp");
        QCOMPARE(f.fakes.browser.opened.size(), entries.size() + 1);

        form.findChild<QAction*>("N14")->trigger(); // shows the port mapping window, opens nothing
        QVERIFY(windows.Form111.isVisible());
        QCOMPARE(f.fakes.browser.opened.size(), entries.size() + 1);

        QStringList order;
        for (QAction* action : form.findChild<QToolBar*>()->actions())
            order << (action->isSeparator()
                          ? QStringLiteral("|")
                          : form.findChild<QToolBar*>()->widgetForAction(action)->objectName());
        QCOMPARE(order.join(u' '),
                 QString("ToolButton1 ToolButton2 ToolButton3 | ToolButton4 tbCopy tbPaste | "
                         "ToolButton9 | tbDelete tbAttribute | tbViewStyle |"));
        QCOMPARE(form.findChild<QToolButton*>("tbCopy")->size(), QSize(30, 26));
        QCOMPARE(form.findChild<QToolButton*>("tbCopy")->toolTip(), QStringLiteral("XP建站"));
    }

    void theAddressBoxOpensOnlyWebAddressesAndAMissingBrowserIsSaid()
    {
        WindowFixture f;
        PrimaryWindow primary(f);
        TForm1& form = primary.form;
        control<QComboBox>(form, "ComboBox1").setEditText("javascript:alert(1)");
        form.Label3Click();
        QVERIFY(f.fakes.browser.opened.isEmpty());
        QCOMPARE(control<StatusPanels>(form, "StatusBar1").panelText(0),
                 Messages::notAWebAddress(LanguageCode::Jt));
        control<QComboBox>(form, "ComboBox1").setEditText("https://a.example/page");
        form.Label3Click();
        QCOMPARE(f.fakes.browser.opened, QStringList{"https://a.example/page"});

        f.fakes.browser.fails = true;
        form.Label14Click();
        QCOMPARE(control<StatusPanels>(form, "StatusBar1").panelText(0),
                 Messages::browserUnavailable(LanguageCode::Jt, "http://www.kelvane.example/help2010.asp"));
    }

    void advertisementPanesFollowTheTitleRule()
    {
        WindowFixture f;
        QList<RecordingPane*> panes;
        f.shell.makeWebPane = [&panes](QWidget* parent) {
            panes << new RecordingPane(parent);
            return panes.last();
        };
        PrimaryWindow primary(f);
        TForm1& form = primary.form;
        QVERIFY(!form.WebBrowser1); // not before the window is first shown
        QCOMPARE(form.Timer2.interval(), 1000);
        QCOMPARE(form.Timer13.interval(), 70000);
        form.show();
        QVERIFY(!form.WebBrowser1); // not before the first paint either
        QTRY_COMPARE(panes.size(), 1);
        QCOMPARE(form.WebBrowser2->size(), QSize(41, 41));

        form.advertisementCounter1 = 5000;
        form.Timer2Timer();
        QCOMPARE(panes[0]->loaded.last(),
                 QString("http://www.kelvane.example/guanggao/ddns2011.asp?gg=5000"));
        QCOMPARE(form.advertisementCounter1, 0);
        QCOMPARE(form.Timer2.interval(), 1200000);
        form.Timer13Timer();
        QTRY_COMPARE(f.fakes.http.requested, QStringList{"http://ads.example.net/aa/ddns2011.asp?gg=0"});

        emit panes[0]->titleChanged("ttt30end");
        QCOMPARE(form.advertisementInterval, 30000);
        emit panes[0]->titleChanged("ttt-5end");
        QCOMPARE(form.advertisementInterval, 30000);
        form.Timer2Timer();
        QCOMPARE(form.Timer2.interval(), 30000);
    }

    // As main() starts it: in the tray, where no window shows a page.
    void panesExistOnlyWhileTheirWindowIsOnScreenAndFiveMinutesAfter()
    {
        WindowFixture f;
        f.shell.trayAvailable = [] { return true; };
        QList<QPointer<RecordingPane>> panes;
        f.shell.makeWebPane = [&panes](QWidget* parent) {
            panes << new RecordingPane(parent);
            return panes.last().data();
        };
        ProgramWindows windows(f.fakes.platform(), f.shell);
        windows.start();
        TForm1& form = windows.Form1;
        QVERIFY(!form.internalWinId()); // yet the window was never even made
        form.Timer2Timer(); // the advertisement timers run on without a pane
        form.Timer13Timer();
        QTest::qWait(50);
        QVERIFY(panes.isEmpty());
        QVERIFY(!form.Timer3.isRunning());
        QCOMPARE(form.advertisementCounter1, 1);

        windows.Form111.TrayIconLeftClick();
        QTRY_COMPARE(panes.size(), 1);
        QCOMPARE(panes[0]->loaded, QStringList{"http://www.kelvane.example/guanggao/ddns2011.asp?gg=0"});
        QTRY_COMPARE(f.fakes.http.requested, QStringList{"http://ads.example.net/aa/ddns2011.asp?gg=0"});
        const QPointer<WebPane> small = form.WebBrowser2;

        QVERIFY(form.Timer3.isRunning());
        f.shell.minimize();
        QVERIFY(!form.Timer3.isRunning()); // nor does a clock tick unseen
        QCOMPARE(form.paneLifetime.releaseTimer.interval(), 5 * 60 * 1000);
        form.paneLifetime.releaseTimerTimer(); // early against the clock: kept
        QVERIFY(panes[0] && small);
        f.fakes.clock.time = f.fakes.clock.time.addSecs(5 * 60);
        form.Timer2Timer();
        form.paneLifetime.releaseTimerTimer();
        QVERIFY(!panes[0] && !small);
        QVERIFY(!form.WebBrowser1 && !form.WebBrowser2);

        // Shown again: made again, with the page the timer chose meanwhile.
        windows.Form111.TrayIconLeftClick();
        QTRY_COMPARE(panes.size(), 2);
        QCOMPARE(panes[1]->loaded, QStringList{"http://www.kelvane.example/guanggao/ddns2011.asp?gg=1"});

        // The port mapping window's pane: made when shown, let go of after it hides.
        form.N14Click();
        QCOMPARE(panes.size(), 3);
        QCOMPARE(panes[2]->loaded, QStringList{"http://www.kelvane.example/guanggao/portgg0.asp"});
        windows.Form111.Label11Click();
        QVERIFY(panes[2]);
        f.fakes.clock.time = f.fakes.clock.time.addSecs(5 * 60);
        windows.Form111.paneLifetime.releaseTimerTimer();
        QVERIFY(!panes[2] && !windows.Form111.WebBrowser1);
        QVERIFY(panes[1]); // the primary window is still on screen
    }

    void theSmallPaneLeavesTheLoginPanelReadable()
    {
        WindowFixture f;
        AppShell withoutPanes = f.shell;
        Engine plainEngine(f.fakes.platform(), f.shell.title, f.folder.path());
        ServedModel plainModel(plainEngine, f.fakes.platform());
        TForm1 plain(f.fakes.platform(), withoutPanes, plainModel.model, plainModel.actions);
        f.shell.makeWebPane = [](QWidget* parent) { return new RecordingPane(parent); };
        f.fakes.http.pages.insert("http://ads.example.net/aa/ddns2011.asp?gg=0",
                                  "<body style='background: red'>a large heading</body>");
        PrimaryWindow primary(f);
        TForm1& form = primary.form;
        for (TForm1* window : {&plain, &form}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
        }
        QTRY_VERIFY(form.WebBrowser2);
        QSignalSpy loaded(form.WebBrowser2, &WebPane::titleChanged);
        form.Timer13Timer();
        QTRY_COMPARE(loaded.count(), 1); // it loads its page
        QVERIFY(!form.WebBrowser2->isVisible());
        const auto domainLabel = [](TForm1& window) {
            for (const QLabel* label :
                 control<QLineEdit>(window, "nameedit").parentWidget()->findChildren<QLabel*>())
                if (label->text() == QStringLiteral("域名"))
                    return window.grab(QRect(label->mapTo(&window, QPoint(0, 0)), label->size())).toImage();
            return QImage();
        };
        QVERIFY(!domainLabel(form).isNull());
        QCOMPARE(domainLabel(form), domainLabel(plain));
    }

    // The pane this build makes, a real page: its title sets the interval.
    void theConfiguredPaneSetsTheIntervalFromARealPage()
    {
        ScriptedHttpServer site;
        site.answer("/ad.asp", ScriptedHttpServer::ok(
                                   "<html><head><title>ttt30end</title></head><body>ad</body></html>"));
        WindowFixture f;
        // Only the page's own site: the panes' other pages fail at once.
        HostMappingHttpClient http(
            QHash<QString, QString>{{"127.0.0.1", site.url("").mid(int(strlen("http://")))}});
        f.shell.makeWebPane = [&](QWidget* parent) { return createWebPane(f.fakes.browser, http, parent); };
        PrimaryWindow primary(f);
        TForm1& form = primary.form;
        form.show();
        QTRY_VERIFY(form.WebBrowser1);
        form.WebBrowser1->load(site.url("/ad.asp"));
        QTRY_COMPARE_WITH_TIMEOUT(form.advertisementInterval, 30000, 20000);
    }

    void downloadsReplaceTheFilesOnlyWhenTheyArrive()
    {
        const QByteArray banner = gifOf({625, 105});
        ThreadedWebSite site({{"/vkl/yuming.txt", ScriptedHttpServer::ok("kelvane.example\r\n")},
                              {"/vkl/ggw.gif", ScriptedHttpServer::ok(banner)}});
        WindowFixture f;
        f.write("ggw.gif", "old banner");
        {
            HostMappingHttpClient refused({}); // no host: a refused connection
            PrimaryWindow window(f, f.fakes.platformWith(refused));
            LoginEngine& engine = window.engine;
            TForm1& form = window.form;
            QCOMPARE(engine.downloadTimer.interval(), 600000);
            engine.downloadTimer.fire();
            QCOMPARE(engine.downloadTimer.interval(), 0);
            QCOMPARE(f.read("ggw.gif"), QByteArray("old banner"));
            form.FormShow(); // not an image: no banner
            QVERIFY(control<QLabel>(form, "Image2").pixmap().isNull());
        }
        ThreadedWebSite missing({}); // 404 for everything
        for (const QString& host : {missing.hostAndPort(), site.hostAndPort()}) {
            HostMappingHttpClient http({{"www.kelvane.example", host}});
            LoginEngine engine(f.fakes.platformWith(http), f.state, f.shell.title);
            engine.downloadTimer.fire();
            if (host == site.hostAndPort()) {
                QTRY_COMPARE_WITH_TIMEOUT(f.read("ggw.gif"), banner, 10000);
                QTRY_COMPARE_WITH_TIMEOUT(f.read("yuming.txt"), QByteArray("kelvane.example\r\n"), 10000);
            } else
                QCOMPARE(f.read("ggw.gif"), QByteArray("old banner"));
        }
        PrimaryWindow shown(f);
        TForm1& form = shown.form;
        form.FormShow();
        QCOMPARE(control<QLabel>(form, "Image2").pixmap().size(), QSize(625, 105));

        f.write("ggw.gif", gifOf({5000, 10}));
        PrimaryWindow huge(f);
        huge.form.FormShow();
        QVERIFY(control<QLabel>(huge.form, "Image2").pixmap().isNull());
    }
};

int main(int argc, char* argv[])
{
    // The panes' pages are on reserved names: the engine must not ask the
    // real network's name server for them.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1");
    prepareWebPanes();
    QApplication application(argc, argv);
    TestWebAndMenus test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestWebAndMenus.moc"
