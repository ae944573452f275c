#pragma once

#include "ui/WebPane.h"

class QWebEngineView;

// The pane on Qt WebEngine. A page's request for a new window never opens one
// here: http and https addresses go to the user's browser, others are dropped.
class WebEnginePane final : public WebPane
{
    Q_OBJECT

public:
    explicit WebEnginePane(Browser& browser, QWidget* parent = nullptr);

    void load(const QString& url) override;

private:
    QWebEngineView* m_view;
};
