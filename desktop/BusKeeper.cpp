#include "desktop/BusKeeper.h"

#include "engine/EngineBus.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

// The router answers a listing one entry at a time.
constexpr int listingTimeoutMs = 5 * 60 * 1000;

} // namespace

BusKeeper::BusKeeper(QDBusConnection bus, QObject* parent) : KeeperView(parent), m_bus(std::move(bus))
{
    const auto follow = [this](const char* name, const char* slot) { followEngine(m_bus, name, this, slot); };
    follow("PortMappingLogged", SLOT(busLogged(QString)));
    follow("MappingsChanged", SLOT(busLinesChanged(QStringList)));
    follow("RouterExternalAddressChanged", SLOT(busExternalAddressChanged(QString)));
    follow("InternalClientChanged", SLOT(busInternalClientChanged(QString)));
    follow("MappingStatusChanged", SLOT(busStatusChanged(QString, QString, bool, bool)));
    follow("MappingRefused", SLOT(busRefused(QString)));
    follow("MappingFileWriteFailed", SLOT(busFileWriteFailed(QString, QString)));
}

void BusKeeper::takeSnapshot(const QVariantMap& properties)
{
    m_lines = properties.value(QStringLiteral("Mappings")).toStringList();
    m_routerLabel = properties.value(QStringLiteral("RouterLabel")).toString();
    m_resultLabel = properties.value(QStringLiteral("ResultLabel")).toString();
    m_executeEnabled = properties.value(QStringLiteral("ExecuteEnabled")).toBool();
    m_reapplyEnabled = properties.value(QStringLiteral("ReapplyEnabled")).toBool();
    m_externalAddress = properties.value(QStringLiteral("RouterExternalAddress")).toString();
    m_internalClient = properties.value(QStringLiteral("InternalClient")).toString();
    m_ready = true;
}

void BusKeeper::execute(const MappingKeeper::Request& request)
{
    const bool add = request.action == MappingKeeper::Action::Add;
    callEngine(m_bus, add ? QStringLiteral("AddMapping") : QStringLiteral("DeleteMapping"),
         {request.protocol, request.publicPort, request.internalClient, request.localPort});
}

void BusKeeper::reapplyAll()
{
    callEngine(m_bus, QStringLiteral("ReapplyMappings"));
}

void BusKeeper::setLines(const QStringList& lines)
{
    if (!m_edited.send(lines, m_lines))
        return;
    m_lines = lines;
    callEngine(m_bus, QStringLiteral("SetMappings"), {lines});
}

void BusKeeper::setAddressCheck(bool on, const QString& secondsText)
{
    callEngine(m_bus, QStringLiteral("SetAddressCheck"), {on, secondsText});
}

void BusKeeper::saveAddressCheckInterval(const QString& secondsText)
{
    callEngine(m_bus, QStringLiteral("SaveAddressCheckInterval"), {secondsText});
}

void BusKeeper::listRouterMappings(std::function<void(const QStringList& lines)> done)
{
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(engineMethodCall(QStringLiteral("ListRouterMappings")), listingTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<QStringList> reply = *finished;
                done(reply.isError() ? QStringList{reply.error().message()} : reply.value());
                finished->deleteLater();
            });
}

void BusKeeper::busLogged(const QString& line)
{
    if (m_ready)
        emit logged(line);
}

void BusKeeper::busLinesChanged(const QStringList& lines)
{
    if (!m_ready)
        return;
    if (m_edited.isEcho(lines))
        return;
    m_lines = lines;
    emit linesChanged(lines);
}

void BusKeeper::busExternalAddressChanged(const QString& address)
{
    if (!m_ready)
        return;
    m_externalAddress = address;
    emit externalAddressChanged(address);
}

void BusKeeper::busInternalClientChanged(const QString& address)
{
    if (!m_ready)
        return;
    m_internalClient = address;
    emit internalClientChanged(address);
}

void BusKeeper::busStatusChanged(const QString& routerLabel, const QString& resultLabel, bool executeEnabled,
                                 bool reapplyEnabled)
{
    if (!m_ready)
        return;
    m_routerLabel = routerLabel;
    m_resultLabel = resultLabel;
    m_executeEnabled = executeEnabled;
    m_reapplyEnabled = reapplyEnabled;
    emit statusChanged();
}

void BusKeeper::busRefused(const QString& text)
{
    if (m_ready)
        emit addRefused(text);
}

void BusKeeper::busFileWriteFailed(const QString& file, const QString& error)
{
    if (m_ready)
        emit fileWritten(file, WriteResult::failure(error));
}
