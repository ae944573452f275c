#pragma once

#include "ui/PaneLifetime.h"

#include <QString>

class QWidget;
class WebPane;

#include <functional>

// What the windows share of the application: its title and its single
// minimise-handler slot. The last window to install a handler wins.
class AppShell
{
public:
    QString title;
    // The primary window: what minimising the application hides and restoring shows.
    QWidget* mainWindow = nullptr;
    std::function<void()> OnMinimize;
    // Whether the desktop has a notification area; tests replace it.
    std::function<bool()> trayAvailable;
    // Makes the windows' web panes; without it (most tests) no pane is made.
    std::function<WebPane*(QWidget* parent)> makeWebPane;
    // How long after a window was hidden it lets go of its web panes, and
    // what follows.
    int paneReleaseDelay = PaneLifetime::defaultReleaseDelay;
    std::function<void()> panesReleased;

    void minimize()
    {
        if (OnMinimize)
            OnMinimize();
    }
};
