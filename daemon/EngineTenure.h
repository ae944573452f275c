#pragma once

#include "platform/Timer.h"

#include <functional>

class Clock;
class EngineService;

// How long the engine runs. A service's engine runs until it is stopped,
// and comes back on a session bus that was restarted. One started for a
// desktop face ends once no face has been attached for a while (the faces
// ended, crashed or lost the bus), or when its bus goes away.
class EngineTenure
{
public:
    static constexpr int faceGraceMs = 12000;
    static constexpr int busCheckMs = 2000;

    // `end` ends the run as SIGTERM does; `reconnect` puts the service on a
    // new connection to the session bus, false while there is none.
    EngineTenure(EngineService& service, Clock& clock, bool forDesktop, std::function<void()> end,
                 std::function<bool()> reconnect);

private:
    void facesChanged();
    void checkBus();

    EngineService& m_service;
    bool m_forDesktop;
    std::function<void()> m_end;
    std::function<bool()> m_reconnect;
    bool m_wasPublished = false;
    Timer m_noFace;
    Timer m_busCheck;
};
