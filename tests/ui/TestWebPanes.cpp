#include "fakes/FakePlatform.h"
#include "fakes/ScriptedHttpServer.h"
#include "platform/HttpClient.h"
#include "ui/LightWebPane.h"
#include "ui/WebPaneStartup.h"
#ifdef KELVANE_WEBENGINE
#include "ui/WebEnginePane.h"

#include <QWebEnginePage>
#include <QWebEngineView>
#endif

#include <QApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

#include <chrono>

namespace {

using namespace std::chrono_literals;

// Records what reaches the desktop's URL handlers for as long as it lives.
class DesktopCalls final : public QObject
{
    Q_OBJECT

public:
    QStringList calls;
    DesktopCalls()
    {
        for (const char* scheme : kSchemes)
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~DesktopCalls() override
    {
        for (const char* scheme : kSchemes)
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

public slots:
    void open(const QUrl& url) { calls << url.toString(); }

private:
    static constexpr const char* kSchemes[] = {"http", "https", "mailto", "file"};
};

// Holds each fetch until the test lets its address go; the page's title is its
// address. A fetch whose context is gone ends unreported, as the real one does.
class GatedHttpClient final : public HttpClient
{
public:
    int started = 0;
    int finished = 0;

    void getPage(const QString& url, QObject* context, std::function<void(const Page&)> done) override
    {
        ++started;
        m_waiting.append({url, context, std::move(done)});
    }
    void download(const QString&, const QString&, QObject*,
                  std::function<void(const WriteResult&)> done) override
    {
        done(WriteResult::failure("unused"));
    }

    void release(const QString& url)
    {
        for (qsizetype i = m_waiting.size() - 1; i >= 0; --i) {
            const Waiting waiting = m_waiting.takeAt(i);
            if (waiting.url != url) {
                m_waiting.insert(i, waiting);
                continue;
            }
            ++finished;
            if (waiting.context)
                waiting.done({"<title>" + url.toUtf8() + "</title>", {}});
        }
    }

private:
    struct Waiting
    {
        QString url;
        QPointer<QObject> context;
        std::function<void(const Page&)> done;
    };
    QList<Waiting> m_waiting;
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
        QtHttpClient http(2s, 5s);
        FakeBrowser browser;
        LightWebPane pane(browser, http);
        QSignalSpy titles(&pane, &WebPane::titleChanged);
        pane.load(site.url("/ad.asp"));
        QTRY_COMPARE_WITH_TIMEOUT(titles.count(), 1, 10000);
        QCOMPARE(titles.at(0).at(0).toString(), QStringLiteral("ttt30end"));
        QCOMPARE(site.requests().size(), 1);
    }

    void lightPaneShowsThePageInItsCharsetWithAltTextsForImages()
    {
        FakeHttpClient http;
        http.pages.insert("http://127.0.0.1/p",
                          "<title>\xd3\xf2\xc3\xfb</title><img src=\"/b.gif\" alt=\"ad\">");
        http.contentTypes.insert("http://127.0.0.1/p", "text/html; charset=gb2312");
        FakeBrowser browser;
        LightWebPane pane(browser, http, nullptr, CodePage::windows1252());
        QSignalSpy titles(&pane, &WebPane::titleChanged);
        pane.load("http://127.0.0.1/p");
        QTRY_COMPARE(titles.count(), 1);
        QCOMPARE(titles.at(0).at(0).toString(), QStringLiteral("域名"));
        QCOMPARE(pane.findChild<QTextBrowser*>()->toPlainText(), QStringLiteral("ad"));
        QCOMPARE(http.requested, QStringList{"http://127.0.0.1/p"});
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
        QCOMPARE(m_gated.finished, 2);
        QCOMPARE(titles.count(), 1);
        QCOMPARE(titles.at(0).at(0).toString(), QStringLiteral("http://127.0.0.1/new"));
    }

    void paneDestroyedDuringAFetchDropsTheLateResult()
    {
        FakeBrowser browser;
        auto* pane = new LightWebPane(browser, m_gated);
        const int started = m_gated.started;
        pane->load("http://127.0.0.1/late");
        QCOMPARE(m_gated.started, started + 1);
        delete pane;
        m_gated.release("http://127.0.0.1/late");
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

    // The engine hands what it does not show to the desktop itself: a handler
    // for each scheme here records any such call. Clicks, as the engine
    // launches other schemes only on a user's gesture.
    void webEnginePaneSendsEachNewWindowOnceAndOnlyWebPages()
    {
        DesktopCalls desktop;
        ScriptedHttpServer site;
        const QByteArray block("style='display:block;height:50px'");
        site.answer("/links.asp",
                    ScriptedHttpServer::ok("<body style='margin:0'><title>ready</title>"
                                           "<a " +
                                           block +
                                           " target=_blank href='https://127.0.0.1:9/x'>x</a>"
                                           "<a " +
                                           block +
                                           " href='mailto:a@b.example'>mail</a>"
                                           "<a " +
                                           block + " target=_blank href='file:///etc/hostname'>file</a>"));
        FakeBrowser browser;
        WebEnginePane pane(browser);
        pane.resize(300, 300);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QSignalSpy titles(&pane, &WebPane::titleChanged);
        pane.load(site.url("/links.asp"));
        QTRY_VERIFY_WITH_TIMEOUT(titles.contains(QVariantList{QStringLiteral("ready")}), 20000);
        auto* view = pane.findChild<QWebEngineView*>();
        QTest::qWait(500); // laid out and painted
        for (const int y : {25, 75, 125}) {
            QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(20, y));
            QTest::qWait(300);
        }
        QTRY_COMPARE_WITH_TIMEOUT(browser.opened.size(), 1, 20000);
        QTest::qWait(1000); // for a second call, if it wrongly came
        QCOMPARE(browser.opened, QStringList{"https://127.0.0.1:9/x"});
        QCOMPARE(desktop.calls, QStringList());
        for (const QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(window == &pane || !window->isVisible());
        QCOMPARE(view->url(), QUrl(site.url("/links.asp")));
    }
#endif

private:
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
