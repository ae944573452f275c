#pragma once

#include <QString>

// Opens a page in the user's web browser.
class Browser
{
public:
    virtual ~Browser() = default;
    virtual void openUrl(const QString& url) = 0;
};
