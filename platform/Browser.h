#pragma once

#include <QString>

// Opens a page in the user's web browser.
class Browser
{
public:
    virtual ~Browser() = default;
    // False when no browser could be started (no desktop handler for http).
    virtual bool openUrl(const QString& url) = 0;
};
