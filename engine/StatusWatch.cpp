#include "engine/StatusWatch.h"

#include "engine/Engine.h"
#include "portmap/MappingLine.h"

namespace {

QString mappingKey(const QString& line)
{
    const auto ports = MappingLine::ports(line);
    return ports ? QString::number(ports->publicPort) + u' ' + ports->protocol : line;
}

QString resultOf(LoginExchange::ReplyKind kind)
{
    switch (kind) {
    case LoginExchange::ReplyKind::Success:
        return QStringLiteral("registered");
    case LoginExchange::ReplyKind::Disabled:
        return QStringLiteral("disabled");
    case LoginExchange::ReplyKind::NotRegistered:
        return QStringLiteral("not-registered");
    case LoginExchange::ReplyKind::Unrecognised:
        break;
    }
    return {};
}

} // namespace

StatusWatch::StatusWatch(Engine& engine) : m_engine(engine)
{
    LoginEngine& logins = engine.logins;
    // The secondary server's line stands beside the primary one's, so that a
    // refusal by either shows.
    for (LoginSession* session : {&logins.primary(), &logins.secondary()}) {
        const bool secondary = session == &logins.secondary();
        const QString suffix = secondary ? QStringLiteral(" (secondary DNS)") : QString();
        const QString server = secondary ? QStringLiteral("secondary DNS") : QStringLiteral("primary DNS");
        QObject::connect(session, &LoginSession::replied, &logins,
                         [this, suffix, server](const QString& domain, LoginExchange::ReplyKind kind,
                                                const QString& resolvedAddress) {
                             m_status.unansweredSince.remove(server);
                             onLoginReply(domain + suffix, kind, resolvedAddress);
                         });
        // Resends keep the time of the first send nobody answered.
        QObject::connect(session, &LoginSession::loginSent, &logins, [this, server] {
            if (!m_status.unansweredSince.contains(server)) {
                m_status.unansweredSince.insert(server, QDateTime::currentDateTime());
                update();
            }
        });
    }
    MappingKeeper& keeper = engine.mappingKeeper;
    QObject::connect(&keeper, &MappingKeeper::mappingAdded, &keeper, [this](const QString& line) {
        m_status.mappings.insert(mappingKey(line), line);
        update();
    });
    QObject::connect(&keeper, &MappingKeeper::mappingDeleted, &keeper, [this](const QString& line) {
        m_status.mappings.remove(mappingKey(line));
        update();
    });
    QObject::connect(&keeper, &MappingKeeper::logged, &keeper, [this] { update(); });
    QObject::connect(&logins, &LoginEngine::logLineSet, &logins, [this] { update(); });
    QObject::connect(&logins, &LoginEngine::logLineAppended, &logins, [this] { update(); });
    update();
}

void StatusWatch::onLoginReply(const QString& domain, LoginExchange::ReplyKind kind,
                               const QString& resolvedAddress)
{
    const QString result = resultOf(kind);
    if (result.isEmpty())
        return;
    const bool registered = kind == LoginExchange::ReplyKind::Success;
    m_status.logins.insert(domain, {QDateTime::currentDateTime(), registered, result});
    if (registered)
        m_status.publishedAddress = resolvedAddress;
    update();
}

void StatusWatch::update()
{
    const MappingKeeper& keeper = m_engine.mappingKeeper;
    m_status.publicAddress = m_engine.logins.checks().providerPageAddress();
    // A NAT-PMP gateway has no name; the protocol is said once a router answered.
    const QString name = keeper.routerName();
    const QString protocol = keeper.routerProtocol();
    m_status.router = name.isEmpty() && protocol.isEmpty()
                          ? QString()
                          : (name.isEmpty() ? QStringLiteral("gateway") : name) + QStringLiteral(" at ") +
                                keeper.routerAddress() + (protocol.isEmpty() ? QString() : " (" + protocol + ")");
    const ClientState& state = m_engine.state;
    m_status.routerExternalAddress = state.routerAddressKnown() ? state.routerExternalAddress() : QString();
    const QString text = m_status.text();
    if (text == m_text)
        return;
    m_text = text;
    emit textChanged(text);
}
