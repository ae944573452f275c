#pragma once

#include "messages/LanguageCode.h"

#include <QString>

// The lines of the tray icon's tooltip beneath its first one.
namespace Messages::Tray {

// "primary" or "secondary", as the engine names its servers.
QString serverName(LanguageCode language, const QString& server);
// A login's state as the engine names it ("registered", "logging-in", "unanswered", "refused";
// anything else is no login yet).
QString loginState(LanguageCode language, const QString& state);
// The router's search as the engine names it ("found", "searching", "not-found", "unusable").
QString routerState(LanguageCode language, const QString& state);
QString routerLabel(LanguageCode language);
QString serviceStopped(LanguageCode language);

} // namespace Messages::Tray
