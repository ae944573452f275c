#pragma once

#include "ui/WebPane.h"

#include <QUrl>

#include <memory>

class QTextBrowser;

// A pane without a browser engine: fetches the page with `http` on a worker
// thread and shows it as simple rich text, with no scripts, no styles fetched
// and no images. Links open in `browser` (http and https only).
//
// A newer load supersedes a running one, whose result is then dropped. The pane
// may be destroyed while a fetch runs; the fetch finishes on its own thread and
// its result is dropped, so `http` must outlive every fetch the pane started
// (up to its total time-out after the pane is gone).
class LightWebPane final : public WebPane
{
    Q_OBJECT

public:
    LightWebPane(Browser& browser, HttpClient& http, QWidget* parent = nullptr);
    ~LightWebPane() override;

    void load(const QString& url) override;

private:
    struct Link;
    void showPage(quint64 load, const QUrl& url, const QByteArray& page);

    Browser& m_browser;
    HttpClient& m_http;
    QTextBrowser* m_view;
    std::shared_ptr<Link> m_link;
    quint64 m_loads = 0;
    QUrl m_pageUrl;
};
