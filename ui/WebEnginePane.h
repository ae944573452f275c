#pragma once

#include "ui/WebPane.h"

class QWebEngineView;

// The pane on Qt WebEngine. It goes to web pages only. A page's request for a
// new window never opens one here: an http or https address goes to the
// user's browser, once; any other is dropped.
class WebEnginePane final : public WebPane
{
    Q_OBJECT

public:
    explicit WebEnginePane(Browser& browser, QWidget* parent = nullptr);

    void load(const QString& url) override;

private:
    QWebEngineView* m_view = nullptr;
};
