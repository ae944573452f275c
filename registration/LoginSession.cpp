#include "registration/LoginSession.h"

#include "net/TNMUDP.h"
#include "registration/AccountRules.h"
#include "registration/ClientState.h"
#include "registration/EventLogLines.h"
#include "settings/SettingsLines.h"

using namespace LoginExchange;

LoginSession::LoginSession(const Platform& platform, ClientState& state, EventLogLines& log,
                           LoginSessionProfile profile, QObject* parent)
    : QObject(parent), loginRetryTimer(platform.clock), m_platform(platform), m_state(state), m_log(log),
      m_profile(profile), m_language(languageCodeFor(platform.language.languageId())),
      m_codePage(CodePage::forLanguage(platform.language.languageId()))
{
    loginRetryTimer.setOnTimer([this] { resend(); });
    createEndpoint();
}

LoginSession::~LoginSession() = default;

void LoginSession::createEndpoint()
{
    try {
        m_endpoint = std::make_unique<TNMUDP>(m_platform.resolver);
        m_endpoint->RemotePort = m_profile.localPort;
        m_endpoint->setLocalPort(m_profile.localPort);
    } catch (const UDPSockError&) {
        // Every send then fails as a send would, and is retried.
        m_endpoint.reset();
        return;
    }
    m_endpoint->OnDataReceived = [this](TNMUDP*, int, const QString& fromIP, int port) {
        onDatagram(fromIP, port);
    };
    m_endpoint->OnDataSend = [this](TNMUDP* sender) {
        m_awaited = true;
        m_serverAddress = sender->lastRemoteIP();
        m_serverPort = sender->RemotePort;
        ++m_sendsOfThisLogin;
        m_state.addProviderServer(m_serverAddress);
    };
}

void LoginSession::closeEndpoint()
{
    m_endpoint.reset();
}

void LoginSession::setCredentials(const QString& domain, const QString& password)
{
    m_sendsOfThisLogin = 0;
    m_otherDomainLogged = false;
    if (domain == m_domain && password == m_password)
        return;
    m_domain = domain;
    m_password = password;
    emit credentialsChanged(domain, password);
}

// A login nobody answers is said once; what then is the engine's choice: the
// list moves on, a single domain is sent again.
void LoginSession::resend()
{
    loginRetryTimer.setInterval(0);
    if (m_awaited && m_sendsOfThisLogin == sendsBeforeNoAnswer) {
        ++m_sendsOfThisLogin;
        const QString text = Messages::noAnswer(m_language, m_domain.trimmed());
        m_log.setLine(m_profile.logLine, m_log.timeOfDay() + u' ' + text);
        m_log.appendHistory(text);
        emit unanswered(m_domain.trimmed());
        return;
    }
    sendLogin();
}

void LoginSession::sendLogin()
{
    m_localAddress = m_platform.localAddress.localAddress();
    emit localAddressChanged(m_localAddress);
    if (m_domain.trimmed().isEmpty() || m_password.trimmed().isEmpty())
        return;
    if (!isSendableCredential(m_domain) || !isSendableCredential(m_password)) {
        showStatus(Messages::loginNotSendable(m_language));
        return;
    }
    m_pageHost = primaryServerHost(m_domain, m_state.zoneList());
    const auto server = m_profile.server(m_pageHost, m_state.setting(SettingsLine::AccountType));
    if (!server) {
        emit notServed();
        return;
    }
    m_log.setLine(m_profile.logLine, m_profile.loginSent(m_log.timeOfDay()));
    emit loginSent();
    loginRetryTimer.setInterval(resendMs);
    send(*server);
}

void LoginSession::send(const LoginSessionProfile::Server& server)
{
    const auto address = m_state.datagramAddress(m_localAddress);
    if (!address) {
        showStatus(Messages::fixedAddressInvalid(m_language));
        return;
    }
    if (!m_endpoint) {
        reportSendFailure();
        return;
    }
    // A retry that fires while the previous send still waits for its look-up:
    // that send goes on, and the 15 s retry stays armed.
    if (m_endpoint->isSending())
        return;
    try {
        m_endpoint->RemoteHost = server.host;
        m_endpoint->RemotePort = server.port;
        const QByteArray datagram =
            m_codePage.encode(loginDatagram(m_domain, m_password, address->mode, address->text));
        m_endpoint->SendBytes(datagram, int(datagram.size()));
    } catch (const UDPSockError&) {
        reportSendFailure();
    }
}

void LoginSession::reportSendFailure()
{
    loginRetryTimer.setInterval(resendAfterFailureMs);
    showStatus(m_profile.sendFailed(m_language));
}

// The primary session's statuses go to the status bar as well.
void LoginSession::showStatus(const QString& text)
{
    if (m_profile.ownsAccount)
        m_log.setStatus(text);
    m_log.setLine(m_profile.logLine, text);
}

void LoginSession::onDatagram(const QString& fromIP, int port)
{
    if (!m_awaited || fromIP != m_serverAddress || port != m_serverPort)
        return;
    QByteArray buffer(10000, '\0');
    int length = 0;
    m_endpoint->FetchBytes(buffer, length);
    const Reply reply = parseReply(length > 0 ? m_codePage.decodeUpToNul(buffer.left(length)) : QString());
    if (reply.kind == ReplyKind::Unrecognised)
        return;
    if (reply.kind == ReplyKind::Success && !answersThisLogin(reply))
        return;
    m_awaited = false;
    m_sendsOfThisLogin = 0;
    emit replied(m_domain.trimmed(), reply.kind, reply.resolvedAddress);
    switch (reply.kind) {
    case ReplyKind::Disabled:
        loginRetryTimer.setInterval(0);
        if (m_profile.ownsAccount)
            m_log.setLine(m_profile.logLine, Messages::domainDisabled());
        emit refused();
        break;
    case ReplyKind::Success:
        onSuccess(reply);
        break;
    case ReplyKind::NotRegistered:
        onNotRegistered(reply);
        break;
    case ReplyKind::Unrecognised:
        break;
    }
}

// A success naming another domain answers an earlier login that came late:
// taken for this one it would log the wrong domain in and hide this one's
// own answer. Replies without a domain field cannot tell and still count.
bool LoginSession::answersThisLogin(const Reply& reply)
{
    const QString named = reply.replyDomain.trimmed();
    if (named.isEmpty() || named.contains(QStringLiteral("Repeat landing")) ||
        named.compare(m_domain.trimmed(), Qt::CaseInsensitive) == 0)
        return true;
    if (!m_otherDomainLogged) {
        m_otherDomainLogged = true;
        m_log.appendHistory(Messages::replyForAnotherDomain(m_language, named, m_domain.trimmed()));
    }
    return false;
}

void LoginSession::onSuccess(const Reply& reply)
{
    loginRetryTimer.setInterval(0);
    if (m_profile.ownsAccount) {
        m_state.setSetting(SettingsLine::AccountType, AccountRules::accountTypeFor(reply.accountCode));
        if (const auto message = AccountRules::accountMessage(reply.accountCode))
            m_log.setLine(2, *message);
        emit accountTypeChanged();
    } else if (AccountRules::isPayingUser(reply.accountCode)) {
        // Saved with the primary session's next save.
        m_state.setSetting(SettingsLine::AccountType, AccountRules::accountTypeFor(reply.accountCode));
    }
    const QString time = m_log.timeOfDay();
    showStatus(m_profile.loginSucceeded(m_language, time));
    const QString previous = m_publishedAddress;
    m_publishedAddress = reply.resolvedAddress;
    emit publishedAddressChanged(m_publishedAddress);
    if (const QString page = accountPage(m_pageHost, reply, m_codePage);
        !page.isEmpty() && m_pageThrottle.allow(reply.accountCode, m_platform.clock.now()))
        emit pageRequested(page);

    const QString address =
        m_state.displayAddress(m_language, reply.resolvedAddress, m_platform.localAddress.localAddress());
    Messages::LoginStamp stamp{reply.replyDomain, address, m_log.today(), time, m_domain, {}};
    if (reply.replyDomain.contains(QStringLiteral("Repeat landing"))) {
        stamp.expiry = m_profile.repeatedLoginExpiry(reply);
        m_log.appendLine(m_profile.repeatedLoginHistory(m_language, stamp));
    } else {
        stamp.expiry = m_profile.expiry(reply);
        m_log.appendLine(m_profile.successHistory(m_language, stamp));
    }
    emit succeeded(previous);
}

void LoginSession::onNotRegistered(const Reply& reply)
{
    loginRetryTimer.setInterval(0);
    m_log.appendLine(m_profile.loginFailedHistory(m_language, m_log.today(), m_log.timeOfDay(), m_domain));
    if (m_profile.ownsAccount)
        m_log.setStatus(Messages::notRegistered(m_language));
    if (m_pageThrottle.allow(QStringLiteral("registration"), m_platform.clock.now()))
        emit pageRequested(
            registrationPage(m_pageHost, reply.registrationCode, m_domain, m_password, m_codePage));
    emit refused();
}
