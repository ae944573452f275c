#pragma once

#include "platform/Browser.h"

// The user's default browser, through the desktop's URL handler.
class DesktopBrowser final : public Browser
{
public:
    bool openUrl(const QString& url) override;
};
