#include "engine/StatusWatch.h"

#include "engine/Engine.h"
#include "platform/Clock.h"
#include "platform/DottedIPv4.h"
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

StatusWatch::StatusWatch(Engine& engine, const Clock& clock) : m_engine(engine), m_clock(clock)
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
                m_status.unansweredSince.insert(server, m_clock.now());
                update();
            }
        });
    }
    // A check that found the published address holding saw it from outside:
    // the router's address proved it, or the provider confirmed it.
    QObject::connect(&logins.checks(), &AddressChecks::checkStatusShown, &logins,
                     [this](Messages::CheckStatus status) {
                         if (status == Messages::CheckStatus::ServerCheckNoChange ||
                             status == Messages::CheckStatus::ConfirmationMatches) {
                             notePublicAddress(m_engine.logins.primary().publishedAddress());
                             update();
                         }
                     });
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
    QObject::connect(&keeper.pinholes(), &MappingPinholes::changed, &keeper, [this] { update(); });
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
    const QDateTime now = m_clock.now();
    m_status.logins.insert(domain, {now, registered, result});
    if (registered && resolvedAddress != m_status.publishedAddress) {
        m_status.publishedAddress = resolvedAddress;
        m_status.publishedSince = now;
    }
    update();
}

void StatusWatch::notePublicAddress(const QString& address)
{
    m_status.publicAddress = address;
    m_status.publicAddressSeen = m_clock.now();
}

void StatusWatch::update()
{
    // The checks keep what the page said, not when: it is dated when found here.
    if (const QString page = m_engine.logins.checks().providerPageAddress().trimmed();
        page != m_pageAddress) {
        m_pageAddress = page;
        if (isDottedIPv4(page))
            notePublicAddress(page);
    }
    const MappingKeeper& keeper = m_engine.mappingKeeper;
    // A NAT-PMP gateway has no name; the protocol is said once a router answered.
    const QString name = keeper.routerName();
    const QString protocol = keeper.routerProtocol();
    m_status.router = name.isEmpty() && protocol.isEmpty()
                          ? QString()
                          : (name.isEmpty() ? QStringLiteral("gateway") : name) + QStringLiteral(" at ") +
                                keeper.routerAddress() + (protocol.isEmpty() ? QString() : " (" + protocol + ")");
    m_status.pinholes.clear();
    for (const MappingPinholes::Pinhole& pinhole : keeper.pinholes().pinholes())
        m_status.pinholes << QStringLiteral("%1 %2 %3 %4")
                                 .arg(pinhole.protocol, QString::number(pinhole.localPort),
                                      pinhole.address.isEmpty() ? QStringLiteral("-") : pinhole.address,
                                      MappingPinholes::stateName(pinhole.state));
    const ClientState& state = m_engine.state;
    m_status.routerExternalAddress = state.routerAddressKnown() ? state.routerExternalAddress() : QString();
    const QString text = m_status.text();
    if (text == m_text)
        return;
    m_text = text;
    emit textChanged(text);
}
