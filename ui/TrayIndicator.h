#pragma once

#include "messages/LanguageCode.h"
#include "ui/TrayStatus.h"

#include <QObject>

class EngineModel;
class QSystemTrayIcon;

// Keeps the tray icon's look and tooltip on the engine's state, as
// trayLookOf and trayToolTip tell it; a StatusNotifier host gets both.
class TrayIndicator : public QObject
{
    Q_OBJECT

public:
    TrayIndicator(EngineModel& model, QSystemTrayIcon& icon, LanguageCode language, QObject* parent = nullptr);

    // The user's service is stopped: its last state is no longer the engine's.
    void setServiceStopped(bool stopped);
    TrayLook look() const { return m_look; }

private:
    void show();

    EngineModel& m_model;
    QSystemTrayIcon& m_icon;
    LanguageCode m_language;
    bool m_serviceStopped = false;
    TrayLook m_look = TrayLook::Plain;
};
