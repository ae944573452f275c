#pragma once

#include "engine/EngineRecords.h"
#include "messages/LanguageCode.h"

#include <QIcon>
#include <QString>

// What the tray icon tells of the engine: its look at a glance, and a line
// per server and one for the router in its tooltip.
enum class TrayLook
{
    Plain, // nothing to tell yet: the program's own icon
    LoggedIn,
    Trying, // logging in, or unanswered
    Failing,
    NoRouter,
    ServiceStopped,
};

struct TrayFacts
{
    LoginRecords logins;
    QString domain; // the login whose records the tooltip shows
    QString routerState;
    QString routerAddress;
    bool serviceStopped = false;
};

TrayLook trayLookOf(const TrayFacts& facts);
// The theme's icon, else the one packaged with the program.
QIcon trayIcon(TrayLook look);
// The first line is the program's, as it has always been.
QString trayToolTip(const TrayFacts& facts, LanguageCode language);
