#include "ui/TrayIndicator.h"

#include "engine/EngineModel.h"

#include <QSystemTrayIcon>

TrayIndicator::TrayIndicator(EngineModel& model, QSystemTrayIcon& icon, LanguageCode language, QObject* parent)
    : QObject(parent), m_model(model), m_icon(icon), m_language(language)
{
    for (const char* name : {"Logins", "Domain", "RouterState", "RouterAddress"})
        m_model.follow(name, this, [this](const QVariant&) { show(); });
}

void TrayIndicator::setServiceStopped(bool stopped)
{
    m_serviceStopped = stopped;
    show();
}

void TrayIndicator::show()
{
    const TrayFacts facts{m_model.valueAs<LoginRecords>("Logins"), m_model.valueAs<QString>("Domain"),
                          m_model.valueAs<QString>("RouterState"), m_model.valueAs<QString>("RouterAddress"),
                          m_serviceStopped};
    const TrayLook look = trayLookOf(facts);
    // A new icon is a new picture for the tray host to fetch: only on a change.
    if (look != m_look)
        m_icon.setIcon(trayIcon(look));
    m_look = look;
    const QString toolTip = trayToolTip(facts, m_language);
    if (toolTip != m_icon.toolTip())
        m_icon.setToolTip(toolTip);
}
