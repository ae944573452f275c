#include "engine/EngineRecords.h"

#include <QDBusMetaType>
#include <QStringList>

namespace {

const QStringList namedLogLines{QStringLiteral("primary"), QStringLiteral("secondary"), QStringLiteral("account")};
const QString numberedLogLine = QStringLiteral("line-");
// The source document's notices overwrite the first four lines.
constexpr int mostOverwrittenLines = 16;

} // namespace

QString sourceOfLogLine(int index)
{
    return index < namedLogLines.size() ? namedLogLines.at(index) : numberedLogLine + QString::number(index);
}

std::optional<int> logLineOfSource(const QString& source)
{
    if (const qsizetype named = namedLogLines.indexOf(source); named >= 0)
        return int(named);
    if (!source.startsWith(numberedLogLine))
        return std::nullopt;
    bool isNumber = false;
    const int index = source.mid(numberedLogLine.size()).toInt(&isNumber);
    if (!isNumber || index < namedLogLines.size() || index >= mostOverwrittenLines)
        return std::nullopt;
    return index;
}

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

QDBusArgument& operator<<(QDBusArgument& argument, const PinholeRecord& record)
{
    argument.beginStructure();
    argument << record.protocol << record.port << record.address << record.state;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PinholeRecord& record)
{
    argument.beginStructure();
    argument >> record.protocol >> record.port >> record.address >> record.state;
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
    qDBusRegisterMetaType<PinholeRecord>();
    qDBusRegisterMetaType<PinholeRecords>();
    qDBusRegisterMetaType<EventRecord>();
    qDBusRegisterMetaType<EventRecords>();
}
