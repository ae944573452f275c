#include "registration/AddressChecks.h"

#include "messages/TimeStamps.h"
#include "net/TNMUDP.h"
#include "platform/DottedIPv4.h"
#include "registration/CheckDatagram.h"
#include "registration/ClientState.h"
#include "registration/EventLogLines.h"
#include "registration/LoginSession.h"
#include "settings/deployment.h"

#include <QBuffer>

using Messages::CheckStatus;

namespace {

QString providerAddressPage()
{
    return QString::fromUtf8(deployment::providerWebSite) + QStringLiteral("/ips.asp");
}

QString serverAddressPage()
{
    return QStringLiteral("http://main.") + QString::fromUtf8(deployment::builtInZones.front()) +
           QStringLiteral("/ips.asp");
}

} // namespace

AddressChecks::AddressChecks(const Platform& platform, ClientState& state, EventLogLines& log,
                             LoginSession& session, QObject* parent)
    : QObject(parent), serverCheckTimer(platform.clock), checkCycleTimer(platform.clock),
      localCheckTimer(platform.clock), consistencyCheckTimer(platform.clock),
      noPublicAddressTimer(platform.clock), m_platform(platform), m_state(state), m_log(log),
      m_session(session), m_language(languageCodeFor(platform.language.languageId())),
      m_codePage(CodePage::forLanguage(platform.language.languageId()))
{
    serverCheckTimer.setOnTimer([this] { scheduleServerCheck(); });
    checkCycleTimer.setOnTimer([this] { cycleTick(); });
    localCheckTimer.setOnTimer([this] { localCheck(); });
    consistencyCheckTimer.setOnTimer([this] { compareProviderPages(); });
    noPublicAddressTimer.setOnTimer([this] { warnNoPublicAddress(); });
    createChannels();
    consistencyCheckTimer.setInterval(30000);
}

AddressChecks::~AddressChecks() = default;

std::unique_ptr<TNMUDP> AddressChecks::makeChannel(int port)
{
    try {
        auto channel = std::make_unique<TNMUDP>(m_platform.resolver);
        channel->RemotePort = port;
        channel->setLocalPort(port);
        return channel;
    } catch (const UDPSockError&) {
        return nullptr;
    }
}

void AddressChecks::createChannels()
{
    m_firstChannel = makeChannel(8881);
    if (m_firstChannel)
        m_firstChannel->OnDataReceived = [this](TNMUDP*, int numberBytes, const QString& fromIP, int) {
            onFirstChannel(numberBytes, fromIP);
        };
    m_secondChannel = makeChannel(8882);
    if (m_secondChannel)
        m_secondChannel->OnDataReceived = [this](TNMUDP*, int numberBytes, const QString& fromIP, int) {
            onSecondChannel(numberBytes, fromIP);
        };
}

void AddressChecks::closeChannels()
{
    m_firstChannel.reset();
    m_secondChannel.reset();
}

QString AddressChecks::publishedAddress() const
{
    return m_session.publishedAddress();
}

void AddressChecks::stop()
{
    for (Timer* timer : {&serverCheckTimer, &checkCycleTimer, &localCheckTimer})
        timer->setInterval(0);
}

// Runs with the published address of before the reply: equal to the local
// one, the machine sits on the Internet directly.
void AddressChecks::armAfterLogin(const QString& previousAddress)
{
    if (m_state.fixedAddress())
        return;
    if (previousAddress == m_platform.localAddress.localAddress() || m_state.resolveLocalTicked())
        localCheckTimer.setInterval(3000);
    else
        serverCheckTimer.setInterval(15000);
}

// The address options are not consulted here.
void AddressChecks::armAfterListPass()
{
    if (publishedAddress() == m_platform.localAddress.localAddress())
        localCheckTimer.setInterval(3000);
    else
        serverCheckTimer.setInterval(5000);
}

void AddressChecks::noteSuccess(const QString& previousAddress)
{
    // The login changed what is published: the checks may log in at once again.
    if (publishedAddress() != previousAddress)
        m_reloginBackoff.reset();
    m_firstServerCheckAfterLogin = true;
    m_routerBehindAnotherNat = false;
}

// Whatever finds the address changed, a re-login for a difference seen before
// waits longer each time (see ReloginBackoff); the log says so once per wait.
bool AddressChecks::reloginAllowed(const QString& seen)
{
    if (m_reloginBackoff.allow(m_platform.clock.now(), seen))
        return true;
    if (m_heldBackToldUntil != m_reloginBackoff.notBefore()) {
        m_heldBackToldUntil = m_reloginBackoff.notBefore();
        m_log.appendHistory(Messages::reloginHeldBack(m_language, longTime(m_heldBackToldUntil)));
    }
    return false;
}

void AddressChecks::logInAgain(const QString& seen)
{
    if (!reloginAllowed(seen))
        return;
    m_confirmationCount = 0;
    serverCheckTimer.setInterval(0);
    emit reloginWanted();
}

void AddressChecks::showCheckStatus(CheckStatus status, bool inLog)
{
    const QString text = m_log.timeOfDay() + Messages::checkStatus(m_language, status, publishedAddress());
    emit checkStatusShown(status, text);
    m_log.setStatus(text);
    if (inLog)
        m_log.setLine(0, text);
}

void AddressChecks::scheduleServerCheck()
{
    serverCheckTimer.setInterval(8000);
    if (m_confirmationCount >= 2) {
        serverCheckTimer.setInterval(0);
        checkCycleTimer.setInterval(6000);
    } else {
        m_learnedPort = 0;
        m_partnerPort = 0;
        runServerCheck();
    }
    m_confirmationCount = 0;
}

void AddressChecks::runServerCheck()
{
    showCheckStatus(CheckStatus::ServerCheckStarted);
    serverCheckTimer.setInterval(8888);
    if (!m_state.routerAddressKnown()) {
        // Checking stays off until the next success reply.
        serverCheckTimer.setInterval(0);
        const QStringList notice = Messages::routerNotice();
        for (int line = 0; line < notice.size() && line < m_log.lines().size(); ++line)
            m_log.setLine(line, notice.at(line));
        return;
    }
    const QString routerAddress = m_state.routerExternalAddress();
    if (!routerAddressProvesAnything(routerAddress)) {
        checkAgainstProviderPage(routerAddress);
        return;
    }
    // Not allowed yet: the next check, 8.9 s on, asks again.
    if (publishedAddress() != routerAddress) {
        logInAgain(routerAddress);
        return;
    }
    showCheckStatus(CheckStatus::ServerCheckNoChange);
}

// The router's address is what the provider sees only when the router answers,
// holds a public address, and held the published one right after the login.
bool AddressChecks::routerAddressProvesAnything(const QString& routerAddress)
{
    if (m_firstServerCheckAfterLogin) {
        m_firstServerCheckAfterLogin = false;
        m_routerBehindAnotherNat = publishedAddress() != routerAddress;
    }
    return m_state.routerAnswering() && isPublicIPv4(routerAddress) && !m_routerBehindAnotherNat;
}

// Compares the published address with the one the provider's page sees, at
// most once a minute.
void AddressChecks::checkAgainstProviderPage(const QString& routerAddress)
{
    const QString why = m_state.routerAnswering()
                            ? Messages::routerBehindAnotherNat(m_language, routerAddress)
                            : Messages::routerNotAnswering(m_language);
    const QString text = m_log.timeOfDay() + why;
    m_log.setStatus(text);
    m_log.setLine(0, text);
    const QDateTime now = m_platform.clock.now();
    if (m_providerPageChecked.isValid() && m_providerPageChecked.secsTo(now) < 60)
        return;
    m_providerPageChecked = now;
    m_platform.http.get(providerAddressPage(), this, [this](const QByteArray& page) {
        const QString seen = m_codePage.decodeUpToNul(page).trimmed();
        if (isDottedIPv4(seen) && seen != publishedAddress())
            logInAgain(seen);
    });
}

void AddressChecks::localCheck()
{
    showCheckStatus(CheckStatus::LocalCheckTick);
    const QString local = m_platform.localAddress.localAddress();
    if (local == publishedAddress() || !reloginAllowed(local))
        return;
    emit reloginWanted();
    showCheckStatus(CheckStatus::LocalCheckChangeFound);
}

QString AddressChecks::readCheckDatagram(TNMUDP& channel, int numberBytes)
{
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    channel.FetchData(stream);
    return m_codePage.decodeUpToNul(stream.data().left(numberBytes));
}

// A confirmation naming another address than ours means the address changed.
bool AddressChecks::isMatchingConfirmation(const QString& datagram)
{
    const auto address = CheckDatagram::address(datagram);
    if (!address)
        return false;
    if (*address == publishedAddress())
        return true;
    logInAgain(*address);
    return false;
}

// Confirmations count only from the provider's servers: from anyone else they
// could switch the checks off, put them off, or turn them into a login flood.
// Every field is still checked before it arms a timer or names a port.
void AddressChecks::onFirstChannel(int numberBytes, const QString& fromIP)
{
    if (numberBytes < 0 || !m_state.isProviderServer(fromIP))
        return;
    const QString datagram = readCheckDatagram(*m_firstChannel, numberBytes);
    if (!isMatchingConfirmation(datagram))
        return;
    showCheckStatus(CheckStatus::ConfirmationMatches);
    // Gives the internal check's second datagram a real destination.
    if (const auto port = CheckDatagram::port(datagram))
        m_partnerPort = *port;
    if (const auto interval = CheckDatagram::intervalMs(datagram))
        serverCheckTimer.setInterval(*interval);
}

// The loopback probe comes back through the router from our own address, so
// it counts from any sender; a confirmation only from the provider.
void AddressChecks::onSecondChannel(int numberBytes, const QString& fromIP)
{
    if (numberBytes < 0)
        return;
    const QString datagram = readCheckDatagram(*m_secondChannel, numberBytes);
    if (CheckDatagram::isLoopback(datagram)) {
        showCheckStatus(CheckStatus::LoopbackReceived, /*inLog=*/false);
        m_loopbackSeen = true;
        ++m_loopbackCount;
        return;
    }
    if (!m_state.isProviderServer(fromIP) || !isMatchingConfirmation(datagram))
        return;
    if (const auto port = CheckDatagram::port(datagram)) {
        m_learnedPort = *port;
        ++m_confirmationCount;
    }
}

void AddressChecks::cycleTick()
{
    checkCycleTimer.setInterval(0);
    ++m_checkTickCount;
    if (m_checkTickCount >= 7) {
        m_learnedPort = 0;
        m_partnerPort = 0;
        if (m_loopbackSeen) {
            m_checkTickCount = 0;
            serverCheckTimer.setInterval(100);
        } else {
            serverCheckTimer.setInterval(99000);
        }
        return;
    }
    checkCycleTimer.setInterval(3000);
    if (m_loopbackCount > 0)
        m_checkTickCount = 0;
    else
        sendProbes();
    m_loopbackCount = 0;
}

void AddressChecks::sendProbes()
{
    // A login under way may change the public address the probes go to.
    if (m_session.awaitingReply())
        return;
    showCheckStatus(CheckStatus::InternalCheckSent);
    if (m_firstChannel)
        sendProbe(*m_firstChannel, m_learnedPort);
    if (m_secondChannel)
        sendProbe(*m_secondChannel, m_partnerPort);
}

// The probe goes to this machine's own public address, nowhere else, and never
// to a port no confirmation has named.
void AddressChecks::sendProbe(TNMUDP& channel, int port)
{
    if (!isDottedIPv4(publishedAddress())) {
        showCheckStatus(CheckStatus::InternalCheckNotSent);
        return;
    }
    if (port < 1 || port > 65535)
        return;
    QBuffer stream;
    stream.setData(CheckDatagram::loopbackProbe);
    stream.open(QIODevice::ReadOnly);
    try {
        channel.RemoteHost = publishedAddress();
        channel.RemotePort = port;
        channel.SendData(stream);
    } catch (const UDPSockError&) {
        showCheckStatus(CheckStatus::InternalCheckNotSent);
    }
}

// Compares the public address as two of the provider's pages see it; when they
// differ, the machine probably shares a public address and logins are stopped.
// The pages come one after the other.
void AddressChecks::compareProviderPages()
{
    consistencyCheckTimer.setInterval(0);
    m_platform.http.get(providerAddressPage(), this, [this](const QByteArray& first) {
        m_providerPageAddress = m_codePage.decodeUpToNul(first);
        m_platform.http.get(serverAddressPage(), this, [this](const QByteArray& second) {
            m_serverPageAddress = m_codePage.decodeUpToNul(second);
            if (m_providerPageAddress.isEmpty() || m_serverPageAddress.isEmpty()) {
                m_providerPageAddress.clear();
                m_serverPageAddress.clear();
                consistencyCheckTimer.setInterval(900000);
                return;
            }
            if (m_providerPageAddress == m_serverPageAddress)
                return;
            emit loginsHalted();
            noPublicAddressTimer.setInterval(50);
        });
    });
}

void AddressChecks::warnNoPublicAddress()
{
    noPublicAddressTimer.setInterval(5000);
    m_log.setLine(0, Messages::noPublicAddress());
    emit loginsHalted();
}
