#pragma once

#include "platform/CodePage.h"
#include "ui/WebPane.h"

#include <QUrl>

#include <memory>

class QTextBrowser;

// A pane without a browser engine: fetches the page with `http` and shows it as simple rich text, in the
// charset the page declares
// (`fallback` when it declares none), with no scripts, no styles fetched and
// images as their alt texts. Links open in `browser` (http and https only).
//
// A newer load supersedes a running one, whose result is then dropped; so is
// the result of a fetch that ends after the pane is gone.
class LightWebPane final : public WebPane
{
    Q_OBJECT

public:
    LightWebPane(Browser& browser, HttpClient& http, QWidget* parent = nullptr,
                 CodePage fallback = CodePage::system());

    void load(const QString& url) override;

private:
    void showPage(quint64 load, const QUrl& url, const QByteArray& page, const QByteArray& contentType);

    Browser& m_browser;
    HttpClient& m_http;
    CodePage m_fallback;
    QTextBrowser* m_view;
    quint64 m_loads = 0;
    QUrl m_pageUrl;
};
