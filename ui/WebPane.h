#pragma once
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
};
// The pane this build was configured with (-DKELVANE_WEB_PANE=webengine, the default, or light).
// A page's request for a new window goes to `browser` (http and https only); the light pane fetches with
// `http`.
WebPane* createWebPane(Browser& browser, HttpClient& http, QWidget* parent);
// Whether a pane loaded the browser engine into this process: it stays for
// the process's life, with its helper processes, whatever the panes do.
bool webEngineLoaded();
