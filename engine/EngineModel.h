#pragma once

#include "engine/EngineRecords.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

// The engine's state as every face sees it: the properties of its interface
// (example.kelvane.Engine2.xml) by their names there, and its recent events.
// The engine of this process feeds it (followService), or the one on the
// session bus does (the desktop's attach); a window cannot tell which.
class EngineModel : public QObject
{
    Q_OBJECT

public:
    // More than the engine keeps: a snapshot's events all fit.
    static constexpr int keptEvents = 1000;

    using QObject::QObject;

    // A name the interface lacks is a typing error in the program, and stops it.
    QVariant value(const char* name) const;
    template <typename T> T valueAs(const char* name) const { return value(name).value<T>(); }
    // Calls `show` with the value now and after each change, while `receiver` lives.
    void follow(const char* name, QObject* receiver, const std::function<void(const QVariant& value)>& show);
    // Oldest first, at most keptEvents.
    const EventRecords& events() const { return m_events; }

    void update(const QVariantMap& properties);
    void addEvent(const EventRecord& event);

signals:
    void changed(const QStringList& names);
    void eventAdded(const EventRecord& event);

private:
    QVariantMap m_properties;
    EventRecords m_events;
};

class EngineService;

// Feeds `model` from the engine of this process, from its state now on.
void followService(EngineModel& model, EngineService& service);
