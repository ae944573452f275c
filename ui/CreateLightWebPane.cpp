#include "ui/LightWebPane.h"

WebPane* createWebPane(Browser& browser, HttpClient& http, QWidget* parent)
{
    return new LightWebPane(browser, http, parent);
}

bool webEngineLoaded()
{
    return false;
}
