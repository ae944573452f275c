#include "ui/WebEnginePane.h"

#include "platform/Browser.h"
#include "ui/WebLinks.h"

#include <QVBoxLayout>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineView>

WebEnginePane::WebEnginePane(Browser& browser, QWidget* parent)
    : WebPane(parent), m_view(new QWebEngineView(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    connect(m_view, &QWebEngineView::titleChanged, this, &WebPane::titleChanged);
    // Left unanswered (no openIn), the request opens nothing: the view's
    // createWindow() gives no page.
    connect(m_view->page(), &QWebEnginePage::newWindowRequested, this,
            [&browser](QWebEngineNewWindowRequest& request) {
                if (isWebPageUrl(request.requestedUrl()))
                    browser.openUrl(request.requestedUrl().toString());
            });
}

void WebEnginePane::load(const QString& url)
{
    m_view->load(QUrl::fromUserInput(url));
}
