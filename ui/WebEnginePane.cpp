#include "ui/WebEnginePane.h"

#include "platform/Browser.h"
#include "platform/WebAddress.h"

#include <QQuickWindow>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// Stands in for a window a page asked for: the address it is first sent to
// goes to the user's browser, if it is a web page, and nothing is ever loaded.
class NewWindowCatcher final : public QWebEnginePage
{
public:
    NewWindowCatcher(Browser& browser, QObject* parent) : QWebEnginePage(parent), m_browser(browser)
    {
        // A window that is never sent anywhere goes too.
        QTimer::singleShot(10000, this, &QObject::deleteLater);
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        if (!m_sent) {
            m_sent = true;
            if (isWebPageUrl(url))
                m_browser.openUrl(url.toString());
            deleteLater();
        }
        return false;
    }

private:
    Browser& m_browser;
    bool m_sent = false;
};

// The engine itself would hand a mailto: or any other scheme it does not show
// to the desktop: the pane goes to web pages only.
class PanePage final : public QWebEnginePage
{
public:
    PanePage(Browser& browser, QObject* parent) : QWebEnginePage(parent), m_browser(browser) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        const QString scheme = url.scheme().toLower();
        return isWebPageUrl(url) || scheme == u"about" || (!isMainFrame && scheme == u"data");
    }
    QWebEnginePage* createWindow(WebWindowType) override { return new NewWindowCatcher(m_browser, this); }

private:
    Browser& m_browser;
};

// The view draws through Qt Quick. On its default graphics path every repaint
// of any widget in the window, the one-second clock included, composes the
// whole window again through OpenGL (on machines without a GPU, Mesa's
// rendering threads); drawn in software only what changed is drawn. Must come
// before the first view; a back end the user chose stays.
void drawViewsInSoftware()
{
    static const bool once = [] {
        if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
            QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        return true;
    }();
    Q_UNUSED(once);
}

} // namespace

WebEnginePane::WebEnginePane(Browser& browser, QWidget* parent) : WebPane(parent)
{
    drawViewsInSoftware();
    m_view = new QWebEngineView(this);
    m_view->setPage(new PanePage(browser, m_view));
    // An advertisement that loads never takes the focus from what the user types.
    m_view->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    setView(m_view);
    connect(m_view, &QWebEngineView::titleChanged, this, &WebPane::titleChanged);
}

void WebEnginePane::load(const QString& url)
{
    m_view->load(QUrl::fromUserInput(url));
}
