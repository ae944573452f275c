#include "app/StatusWatch.h"

#include "app/WindowSet.h"
#include "portmap/MappingLine.h"
#include "portmap/uAutoNAT.h"

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

StatusWatch::StatusWatch(WindowSet& windows, const QString& statusPath)
    : m_windows(windows), m_file(statusPath)
{
    LoginEngine& engine = windows.engine;
    // The secondary server's line stands beside the primary one's, so that a
    // refusal by either shows.
    for (LoginSession* session : {&engine.primary(), &engine.secondary()}) {
        const QString suffix =
            session == &engine.secondary() ? QStringLiteral(" (secondary DNS)") : QString();
        QObject::connect(session, &LoginSession::replied, &engine,
                         [this, suffix](const QString& domain, LoginExchange::ReplyKind kind,
                                        const QString& resolvedAddress) {
                             onLoginReply(domain + suffix, kind, resolvedAddress);
                         });
    }
    TForm111& mapping = windows.Form111;
    QObject::connect(&mapping, &TForm111::mappingAdded, &mapping, [this](const QString& line) {
        m_status.mappings.insert(mappingKey(line), line);
        update();
    });
    QObject::connect(&mapping, &TForm111::mappingDeleted, &mapping, [this](const QString& line) {
        m_status.mappings.remove(mappingKey(line));
        update();
    });
    QObject::connect(&mapping, &TForm111::logged, &mapping, [this] { update(); });
    QObject::connect(&engine, &LoginEngine::logLineSet, &engine, [this] { update(); });
    QObject::connect(&engine, &LoginEngine::logLineAppended, &engine, [this] { update(); });
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
    const TForm111& mapping = m_windows.Form111;
    m_status.publicAddress = m_windows.engine.checks().providerPageAddress();
    const QString router = mapping.AutoNAT1->RouterName();
    m_status.router =
        router.isEmpty() ? QString() : router + QStringLiteral(" at ") + mapping.AutoNAT1->RouterIp();
    const ClientState& state = m_windows.state;
    m_status.routerExternalAddress = state.routerAddressKnown() ? state.routerExternalAddress() : QString();
    m_file.write(m_status.text());
}
