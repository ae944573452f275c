#include "engine/EngineModel.h"

#include "Engine2Proxy.h"
#include "engine/EngineService.h"

namespace {

void checkName(const char* name)
{
    if (Engine2Proxy::staticMetaObject.indexOfProperty(name) < 0)
        qFatal("example.kelvane.Engine2 has no property %s", name);
}

} // namespace

QVariant EngineModel::value(const char* name) const
{
    checkName(name);
    return m_properties.value(QLatin1StringView(name));
}

void EngineModel::follow(const char* name, QObject* receiver,
                         const std::function<void(const QVariant& value)>& show)
{
    checkName(name);
    const QString key = QLatin1StringView(name);
    if (m_properties.contains(key))
        show(m_properties.value(key));
    connect(this, &EngineModel::changed, receiver, [this, key, show](const QStringList& names) {
        if (names.contains(key))
            show(m_properties.value(key));
    });
}

void EngineModel::update(const QVariantMap& properties)
{
    QStringList names;
    for (auto property = properties.begin(); property != properties.end(); ++property) {
        if (m_properties.value(property.key()) == property.value() && m_properties.contains(property.key()))
            continue;
        m_properties.insert(property.key(), property.value());
        names << property.key();
    }
    if (!names.isEmpty())
        emit changed(names);
}

void EngineModel::addEvent(const EventRecord& event)
{
    if (m_events.size() == keptEvents)
        m_events.removeFirst();
    m_events.append(event);
    emit eventAdded(event);
}

void followService(EngineModel& model, EngineService& service)
{
    model.update(service.properties());
    for (const EventRecord& event : service.RecentEvents(EngineModel::keptEvents))
        model.addEvent(event);
    QObject::connect(&service, &EngineService::propertiesChanged, &model, &EngineModel::update);
    QObject::connect(&service, &EngineService::Event, &model,
                     [&model](qlonglong time, const QString& source, const QString& severity, const QString& text) {
                         model.addEvent({time, source, severity, text});
                     });
}
