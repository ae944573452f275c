#include "fakes/FakePlatform.h"
#include "fakes/ScriptedHttpServer.h"
#include "platform/HttpClient.h"
#include "ui/LightWebPane.h"
#include "ui/WebPaneStartup.h"
#ifdef KELVANE_WEBENGINE
#include "ui/WebEnginePane.h"
#endif

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// Holds each fetch until the test lets its address go; the page's title is its address.
class GatedHttpClient final : public HttpClient
{
public:
    std::atomic<int> started = 0;
    std::atomic<int> finished = 0;

    QByteArray get(const QString& url) override
    {
        ++started;
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 10s, [&] { return m_released.contains(url); });
        ++finished;
        return "<title>" + url.toUtf8() + "</title>";
    }
    WriteResult download(const QString&, const QString&) override { return WriteResult::failure("unused"); }

    void release(const QString& url)
    {
        const std::lock_guard lock(m_mutex);
        m_released << url;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QStringList m_released;
};

const QByteArray kPage = "<html><head><title>ttt30end</title><link rel=stylesheet href=\"/style.css\"></head>"
                         "<body><img src=\"/banner.gif\"><a href=\"/help.asp\">help</a></body></html>";

} // namespace

class TestWebPanes : public QObject
{
    Q_OBJECT

private slots:
    void lightPaneReportsTheTitleAndFetchesNothingElse()
    {
        ScriptedHttpServer site;
        site.answer("/ad.asp", ScriptedHttpServer::ok(kPage));
        CurlHttpClient http(2s, 5s);
        FakeBrowser browser;
        LightWebPane pane(browser, http);
        QSignalSpy titles(&pane, &WebPane::titleChanged);
        pane.load(site.url("/ad.asp"));
        QTRY_COMPARE_WITH_TIMEOUT(titles.count(), 1, 10000);
        QCOMPARE(titles.at(0).at(0).toString(), QStringLiteral("ttt30end"));
        QCOMPARE(site.requests().size(), 1);
    }

    void lightPaneDecodesUtf8OrElseLatin1_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("title");
        QTest::newRow("utf-8") << QByteArray("<title>\xe9\xab\x98 caf\xc3\xa9</title>")
                               << QStringLiteral("高 café");
        QTest::newRow("latin-1") << QByteArray("<title>caf\xe9</title>") << QStringLiteral("café");
    }
    void lightPaneDecodesUtf8OrElseLatin1()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, title);
        FakeHttpClient http;
        http.pages.insert("http://127.0.0.1/p", page);
        FakeBrowser browser;
        LightWebPane pane(browser, http);
        QSignalSpy titles(&pane, &WebPane::titleChanged);
        pane.load("http://127.0.0.1/p");
        QTRY_COMPARE(titles.count(), 1);
        QCOMPARE(titles.at(0).at(0).toString(), title);
    }

    void lightPaneOpensOnlyWebLinksInTheBrowser()
    {
        FakeHttpClient http;
        http.pages.insert("http://127.0.0.1/dir/p", kPage);
        FakeBrowser browser;
        LightWebPane pane(browser, http);
        QSignalSpy titles(&pane, &WebPane::titleChanged);
        pane.load("http://127.0.0.1/dir/p");
        QTRY_COMPARE(titles.count(), 1);
        auto* view = pane.findChild<QTextBrowser*>();
        for (const char* link :
             {"file:///etc/passwd", "javascript:alert(1)", "help.asp", "https://127.0.0.1/x"})
            emit view->anchorClicked(QUrl(QString::fromLatin1(link)));
        QCOMPARE(browser.opened, QStringList({"http://127.0.0.1/dir/help.asp", "https://127.0.0.1/x"}));
    }

    void supersededLoadNeverShowsItsTitle()
    {
        FakeBrowser browser;
        LightWebPane pane(browser, m_gated);
        QSignalSpy titles(&pane, &WebPane::titleChanged);
        pane.load("http://127.0.0.1/old");
        pane.load("http://127.0.0.1/new");
        m_gated.release("http://127.0.0.1/new");
        QTRY_COMPARE(titles.count(), 1);
        m_gated.release("http://127.0.0.1/old");
        QTRY_COMPARE(m_gated.finished, 2);
        QTest::qWait(100); // for a stale result to arrive, if it wrongly did
        QCOMPARE(titles.count(), 1);
        QCOMPARE(titles.at(0).at(0).toString(), QStringLiteral("http://127.0.0.1/new"));
    }

    void paneDestroyedDuringAFetchDropsTheLateResult()
    {
        FakeBrowser browser;
        auto* pane = new LightWebPane(browser, m_gated);
        const int started = m_gated.started;
        pane->load("http://127.0.0.1/late");
        QTRY_COMPARE(m_gated.started, started + 1);
        delete pane;
        m_gated.release("http://127.0.0.1/late");
        QTRY_COMPARE(m_gated.finished, started + 1);
        QTest::qWait(100);
    }

#ifdef KELVANE_WEBENGINE
    void webEnginePaneReportsTheTitle()
    {
        ScriptedHttpServer site;
        site.answer("/ad.asp", ScriptedHttpServer::ok(kPage));
        FakeBrowser browser;
        WebEnginePane pane(browser);
        QSignalSpy titles(&pane, &WebPane::titleChanged);
        pane.load(site.url("/ad.asp"));
        QTRY_VERIFY_WITH_TIMEOUT(titles.contains(QVariantList{QStringLiteral("ttt30end")}), 20000);
    }

    void webEnginePaneSendsOnlyWebPagesToTheBrowser()
    {
        ScriptedHttpServer site;
        site.answer("/popups.asp", ScriptedHttpServer::ok("<script>window.open('file:///etc/hostname');"
                                                          "window.open('javascript:void(0)');"
                                                          "window.open('https://127.0.0.1:9/x');</script>"));
        FakeBrowser browser;
        WebEnginePane pane(browser);
        pane.load(site.url("/popups.asp"));
        QTRY_VERIFY_WITH_TIMEOUT(!browser.opened.isEmpty(), 20000);
        QCOMPARE(browser.opened, QStringList{"https://127.0.0.1:9/x"});
        QCOMPARE(QApplication::topLevelWidgets(), QWidgetList{&pane});
    }
#endif

private:
    // Outlives every fetch the panes start, as the pane requires.
    GatedHttpClient m_gated;
};

int main(int argc, char* argv[])
{
    prepareWebPanes();
    QApplication application(argc, argv);
    TestWebPanes test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestWebPanes.moc"
