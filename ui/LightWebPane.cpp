#include "ui/LightWebPane.h"

#include "platform/Browser.h"
#include "platform/HttpClient.h"
#include "platform/PageText.h"
#include "platform/WebAddress.h"

#include <QTextBrowser>

namespace {

// A page shows its own text only: nothing it names is read, neither from the
// network nor from local files.
class TextOnlyBrowser final : public QTextBrowser
{
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

} // namespace

LightWebPane::LightWebPane(Browser& browser, HttpClient& http, QWidget* parent, CodePage fallback)
    : WebPane(parent), m_browser(browser), m_http(http), m_fallback(fallback),
      m_view(new TextOnlyBrowser(this))
{
    setView(m_view);
    m_view->setOpenLinks(false);
    connect(m_view, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl target = m_pageUrl.resolved(link);
        if (isWebPageUrl(target))
            m_browser.openUrl(target.toString());
    });
}

void LightWebPane::load(const QString& url)
{
    const quint64 load = ++m_loads;
    const QUrl address = QUrl::fromUserInput(url);
    m_http.getPage(address.toString(), this, [this, load, address](const HttpClient::Page& page) {
        showPage(load, address, page.body, page.contentType);
    });
}

void LightWebPane::showPage(quint64 load, const QUrl& url, const QByteArray& page,
                            const QByteArray& contentType)
{
    // A failed fetch leaves the last page in view.
    if (load != m_loads || page.isEmpty())
        return;
    m_pageUrl = url;
    m_view->setHtml(PageText::withAltTexts(PageText::decode(page, contentType, m_fallback)));
    emit titleChanged(m_view->documentTitle());
}
