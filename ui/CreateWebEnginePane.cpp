#include "ui/WebEnginePane.h"

WebPane* createWebPane(Browser& browser, HttpClient&, QWidget* parent)
{
    return new WebEnginePane(browser, parent);
}
