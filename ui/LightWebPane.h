#pragma once

#include "platform/CodePage.h"
#include "ui/WebPane.h"

#include <QUrl>

#include <memory>

class QTextBrowser;

// A pane without a browser engine: fetches the page with `http` on a worker
// thread and shows it as simple rich text, in the charset the page declares
// (`fallback` when it declares none), with no scripts, no styles fetched and
// images as their alt texts. Links open in `browser` (http and https only).
//
// A newer load supersedes a running one, whose result is then dropped. The pane
// may be destroyed while a fetch runs; the fetch finishes on its own thread and
// its result is dropped, so `http` must outlive every fetch the pane started
// (up to its total time-out after the pane is gone).
class LightWebPane final : public WebPane
{
    Q_OBJECT

public:
    LightWebPane(Browser& browser, HttpClient& http, QWidget* parent = nullptr,
                 CodePage fallback = CodePage::system());
    ~LightWebPane() override;

    void load(const QString& url) override;

private:
    struct Link;
    void showPage(quint64 load, const QUrl& url, const QByteArray& page, const QByteArray& contentType);

    Browser& m_browser;
    HttpClient& m_http;
    CodePage m_fallback;
    QTextBrowser* m_view;
    std::shared_ptr<Link> m_link;
    quint64 m_loads = 0;
    QUrl m_pageUrl;
};
