#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

// The typed records of the engine's interface (example.kelvane.Engine2.xml).

// One server's login of one domain.
struct LoginRecord
{
    QString server; // "primary", "secondary"
    QString domain;
    QString state;  // "idle", "logging-in", "registered", "refused", "unanswered"
    QString address;
    qint64 lastSuccess = 0; // seconds since 1970; 0: never
    QString lastError;

    friend bool operator==(const LoginRecord&, const LoginRecord&) = default;
};
using LoginRecords = QList<LoginRecord>;

// One stored port mapping and what the router made of it.
struct MappingRecord
{
    QString protocol; // "TCP", "UDP"
    quint16 externalPort = 0;
    QString internalClient;
    quint16 internalPort = 0;
    QString description;
    QString state; // "pending", "applied"
    QString reason;

    friend bool operator==(const MappingRecord&, const MappingRecord&) = default;
};
using MappingRecords = QList<MappingRecord>;

// One IPv6 pinhole beside the mappings: protocol, this machine's local port,
// its global IPv6 address, and "opening", "open" or "failed".
struct PinholeRecord
{
    QString protocol;
    quint16 port = 0;
    QString address;
    QString state;

    friend bool operator==(const PinholeRecord&, const PinholeRecord&) = default;
};
using PinholeRecords = QList<PinholeRecord>;

struct EventRecord
{
    qint64 time = 0;
    QString source;
    QString severity;
    QString text;

    friend bool operator==(const EventRecord&, const EventRecord&) = default;
};
using EventRecords = QList<EventRecord>;

// The event log's lines overwritten in place, by the source of their
// events: "primary", "secondary", "account", then "line-N".
QString sourceOfLogLine(int index);
// The line an event of `source` overwrites; none for any other source, or
// for a line beyond the few a log overwrites (a face takes sources from the bus).
std::optional<int> logLineOfSource(const QString& source);

QDBusArgument& operator<<(QDBusArgument& argument, const LoginRecord& record);
const QDBusArgument& operator>>(const QDBusArgument& argument, LoginRecord& record);
QDBusArgument& operator<<(QDBusArgument& argument, const MappingRecord& record);
const QDBusArgument& operator>>(const QDBusArgument& argument, MappingRecord& record);
QDBusArgument& operator<<(QDBusArgument& argument, const PinholeRecord& record);
const QDBusArgument& operator>>(const QDBusArgument& argument, PinholeRecord& record);
QDBusArgument& operator<<(QDBusArgument& argument, const EventRecord& record);
const QDBusArgument& operator>>(const QDBusArgument& argument, EventRecord& record);

// Before the first use on a bus.
void registerEngineRecords();

Q_DECLARE_METATYPE(LoginRecord)
Q_DECLARE_METATYPE(MappingRecord)
Q_DECLARE_METATYPE(PinholeRecord)
Q_DECLARE_METATYPE(EventRecord)
