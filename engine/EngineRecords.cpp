#include "engine/EngineRecords.h"

#include <QDBusMetaType>

QDBusArgument& operator<<(QDBusArgument& argument, const LoginRecord& record)
{
    argument.beginStructure();
    argument << record.server << record.domain << record.state << record.address << record.lastSuccess
             << record.lastError;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, LoginRecord& record)
{
    argument.beginStructure();
    argument >> record.server >> record.domain >> record.state >> record.address >> record.lastSuccess >>
        record.lastError;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const MappingRecord& record)
{
    argument.beginStructure();
    argument << record.protocol << record.externalPort << record.internalClient << record.internalPort
             << record.description << record.state << record.reason;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MappingRecord& record)
{
    argument.beginStructure();
    argument >> record.protocol >> record.externalPort >> record.internalClient >> record.internalPort >>
        record.description >> record.state >> record.reason;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const EventRecord& record)
{
    argument.beginStructure();
    argument << record.time << record.source << record.severity << record.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, EventRecord& record)
{
    argument.beginStructure();
    argument >> record.time >> record.source >> record.severity >> record.text;
    argument.endStructure();
    return argument;
}

void registerEngineRecords()
{
    qDBusRegisterMetaType<LoginRecord>();
    qDBusRegisterMetaType<LoginRecords>();
    qDBusRegisterMetaType<MappingRecord>();
    qDBusRegisterMetaType<MappingRecords>();
    qDBusRegisterMetaType<EventRecord>();
    qDBusRegisterMetaType<EventRecords>();
}
