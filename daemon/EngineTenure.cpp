#include "daemon/EngineTenure.h"

#include "engine/EngineService.h"

#include <QObject>

#include <utility>

EngineTenure::EngineTenure(EngineService& service, Clock& clock, bool forDesktop, std::function<void()> end,
                           std::function<bool()> reconnect)
    : m_service(service), m_forDesktop(forDesktop), m_end(std::move(end)), m_reconnect(std::move(reconnect)),
      m_noFace(clock, [this] { m_end(); }), m_busCheck(clock, [this] { checkBus(); })
{
    m_service.setForDesktop(forDesktop);
    m_wasPublished = m_service.published();
    QObject::connect(&m_service, &EngineService::facesChanged, &m_service, [this] { facesChanged(); });
    // The face that started it attaches within seconds.
    facesChanged();
    m_busCheck.setInterval(busCheckMs);
}

void EngineTenure::facesChanged()
{
    if (!m_forDesktop)
        return;
    if (m_service.faceCount() > 0)
        m_noFace.setInterval(0);
    else if (!m_noFace.isRunning())
        m_noFace.setInterval(faceGraceMs);
}

// A bus that went away is noticed only by looking: no signal says so.
void EngineTenure::checkBus()
{
    if (m_service.published()) {
        m_wasPublished = true;
        return;
    }
    if (!m_wasPublished)
        return;
    if (m_forDesktop) {
        m_busCheck.setInterval(0);
        m_end();
        return;
    }
    m_reconnect();
}
