#include "forms/TForm1.h"

#include "net/TNMUDP.h"
#include "platform/DottedIPv4.h"
#include "registration/CheckDatagram.h"
#include "ui/EventLog.h"

#include <QBuffer>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

using Messages::CheckStatus;

// Whatever finds the address changed, a re-login that changes nothing waits
// longer each time (see ReloginBackoff).
bool TForm1::reloginAllowed()
{
    return m_reloginBackoff.allow(m_platform.clock.now());
}

void TForm1::logInAgain()
{
    if (m_session.autoLogin())
        Button5Click();
    else
        Button4Click();
}

void TForm1::showCheckStatus(CheckStatus status, bool inLog)
{
    const QString text = timeOfDay() + Messages::checkStatus(languageCode, status, wgip);
    setStatus(text);
    if (inLog)
        dlrz->setLine(0, text);
}

// Runs after a list pass; the address options are not consulted here.
void TForm1::armCheckAfterListPass()
{
    if (wgip == m_platform.localAddress.localAddress())
        Timer9.setInterval(3000);
    else
        Timer5.setInterval(5000);
}

void TForm1::Timer5Timer()
{
    Timer5.setInterval(8000);
    if (confirmationCount >= 2) {
        Timer5.setInterval(0);
        Timer6.setInterval(6000);
    } else {
        learnedPort = 0;
        partnerPort = 0;
        Button10Click();
    }
    confirmationCount = 0;
}

void TForm1::Button10Click()
{
    showCheckStatus(CheckStatus::ServerCheckStarted);
    Timer5.setInterval(8888);
    const QString routerAddress = m_session.routerExternalAddress();
    if (routerAddress == QStringLiteral("0.0.0.0")) {
        // Checking stays off until the next success reply.
        Timer5.setInterval(0);
        const QStringList notice = Messages::routerNotice();
        for (int line = 0; line < notice.size() && line < dlrz->lineCount(); ++line)
            dlrz->setLine(line, notice.at(line));
        return;
    }
    if (!routerAddressProvesAnything(routerAddress)) {
        checkAgainstProviderPage(routerAddress);
        return;
    }
    if (Label7->text() != routerAddress) {
        // Not yet: the next check, 8.9 s on, asks again.
        if (!reloginAllowed())
            return;
        confirmationCount = 0;
        if (advertisementCounter2 > 10)
            advertisementCounter2 = 0;
        Timer5.setInterval(0);
        logInAgain();
        return;
    }
    showCheckStatus(CheckStatus::ServerCheckNoChange);
}

// The router's address is what the provider sees only when the router answers,
// holds a public address, and held the published one right after the login.
bool TForm1::routerAddressProvesAnything(const QString& routerAddress)
{
    if (m_firstServerCheckAfterLogin) {
        m_firstServerCheckAfterLogin = false;
        m_routerBehindAnotherNat = Label7->text() != routerAddress;
    }
    return m_session.routerAnswering() && isPublicIPv4(routerAddress) && !m_routerBehindAnotherNat;
}

// Compares the published address with the one the provider's page sees, at
// most once a minute; the page comes off the window's thread.
void TForm1::checkAgainstProviderPage(const QString& routerAddress)
{
    const QString why = m_session.routerAnswering()
                            ? Messages::routerBehindAnotherNat(languageCode, routerAddress)
                            : Messages::routerNotAnswering(languageCode);
    setStatus(timeOfDay() + why);
    dlrz->setLine(0, statusText);
    const QDateTime now = m_platform.clock.now();
    if (m_providerPageChecked.isValid() && m_providerPageChecked.secsTo(now) < 60)
        return;
    m_providerPageChecked = now;
    m_http.get(providerAddressPage(), [this](const QByteArray& page) {
        const QString seen = m_codePage.decodeUpToNul(page).trimmed();
        if (!isDottedIPv4(seen) || seen == Label7->text() || !reloginAllowed())
            return;
        confirmationCount = 0;
        Timer5.setInterval(0);
        logInAgain();
    });
}

void TForm1::Timer9Timer()
{
    showCheckStatus(CheckStatus::LocalCheckTick);
    if (m_platform.localAddress.localAddress() == wgip || !reloginAllowed())
        return;
    logInAgain();
    showCheckStatus(CheckStatus::LocalCheckChangeFound);
}

QString TForm1::readCheckDatagram(TNMUDP& channel, int numberBytes)
{
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    channel.FetchData(stream);
    return m_codePage.decodeUpToNul(stream.data().left(numberBytes));
}

// A confirmation naming another address than ours means the address changed.
bool TForm1::isMatchingConfirmation(const QString& datagram)
{
    const auto address = CheckDatagram::address(datagram);
    if (!address)
        return false;
    if (*address == wgip)
        return true;
    if (!reloginAllowed())
        return false;
    confirmationCount = 0;
    Timer5.setInterval(0);
    logInAgain();
    return false;
}

// Confirmations count only from the provider's servers: from anyone else they
// could switch the checks off, put them off, or turn them into a login flood.
// Every field is still checked before it arms a timer or names a port.
void TForm1::NMUDP2DataReceived(int NumberBytes, const QString& FromIP)
{
    if (NumberBytes < 0 || !m_session.isProviderServer(FromIP))
        return;
    const QString datagram = readCheckDatagram(*NMUDP2, NumberBytes);
    if (!isMatchingConfirmation(datagram))
        return;
    showCheckStatus(CheckStatus::ConfirmationMatches);
    // Gives the internal check's second datagram a real destination.
    if (const auto port = CheckDatagram::port(datagram))
        partnerPort = *port;
    if (const auto interval = CheckDatagram::intervalMs(datagram))
        Timer5.setInterval(*interval);
}

// The loopback probe comes back through the router from our own address, so
// it counts from any sender; a confirmation only from the provider.
void TForm1::NMUDP3DataReceived(int NumberBytes, const QString& FromIP)
{
    if (NumberBytes < 0)
        return;
    const QString datagram = readCheckDatagram(*NMUDP3, NumberBytes);
    if (CheckDatagram::isLoopback(datagram)) {
        showCheckStatus(CheckStatus::LoopbackReceived, /*inLog=*/false);
        loopbackStatus = QStringLiteral("ok");
        ++loopbackCount;
        return;
    }
    if (!m_session.isProviderServer(FromIP) || !isMatchingConfirmation(datagram))
        return;
    if (const auto port = CheckDatagram::port(datagram)) {
        learnedPort = *port;
        ++confirmationCount;
    }
}

void TForm1::Timer6Timer()
{
    Timer6.setInterval(0);
    ++checkTickCount;
    if (checkTickCount >= 7) {
        learnedPort = 0;
        partnerPort = 0;
        if (loopbackStatus == QStringLiteral("ok")) {
            checkTickCount = 0;
            Timer5.setInterval(100);
        } else {
            Timer5.setInterval(99000);
        }
        return;
    }
    Timer6.setInterval(3000);
    if (loopbackCount > 0)
        checkTickCount = 0;
    else
        Button2Click();
    loopbackCount = 0;
}

void TForm1::Button2Click()
{
    // A login under way may change the public address the probes go to.
    if (m_awaitedReply.awaited())
        return;
    showCheckStatus(CheckStatus::InternalCheckSent);
    if (NMUDP2)
        sendProbe(*NMUDP2, learnedPort);
    if (NMUDP3)
        sendProbe(*NMUDP3, partnerPort);
}

// The probe goes to this machine's own public address, nowhere else, and never
// to a port no confirmation has named.
void TForm1::sendProbe(TNMUDP& channel, int port)
{
    if (!isDottedIPv4(wgip)) {
        showCheckStatus(CheckStatus::InternalCheckNotSent);
        return;
    }
    if (port < 1 || port > 65535)
        return;
    QBuffer stream;
    stream.setData(CheckDatagram::loopbackProbe);
    stream.open(QIODevice::ReadOnly);
    try {
        channel.RemoteHost = wgip;
        channel.RemotePort = port;
        channel.SendData(stream);
    } catch (const UDPSockError&) {
        showCheckStatus(CheckStatus::InternalCheckNotSent);
    }
}
