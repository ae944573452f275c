#pragma once
#include <QVBoxLayout>
#include <QWidget>
class Browser;
class HttpClient;
// An embedded page view: loads an address and reports the title of the page it shows.
class WebPane : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void load(const QString& url) = 0;
signals:
    void titleChanged(const QString& title);
protected:
    // The view that shows the page fills the pane and takes its focus; a
    // screen reader names both, the view being what the Tab key reaches.
    void setView(QWidget* view)
    {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        setFocusProxy(view);
        setAccessibleName(QStringLiteral("服务商网页"));
        view->setAccessibleName(accessibleName());
    }
};
// The pane this build was configured with (-DKELVANE_WEB_PANE=webengine, the default, or light).
// A page's request for a new window goes to `browser` (http and https only); the light pane fetches with
// `http`.
WebPane* createWebPane(Browser& browser, HttpClient& http, QWidget* parent);
// Whether a pane loaded the browser engine into this process: it stays for
// the process's life, with its helper processes, whatever the panes do.
bool webEngineLoaded();
