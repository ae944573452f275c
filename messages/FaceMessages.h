#pragma once

#include "messages/LanguageCode.h"

#include <QString>

// What a desktop face says of the engine it shows, in the status bar and the
// tray's tooltip.
namespace Messages::Face {

// The user's service was stopped: the face does not start it on its own.
QString serviceStopped(LanguageCode language);
// The engine started for the desktop went away: another one is started.
QString engineRestarting(LanguageCode language);
QString busLost(LanguageCode language);
QString attachedAgain(LanguageCode language);
// The menu entry that starts the stopped service.
QString startService(LanguageCode language);

} // namespace Messages::Face
