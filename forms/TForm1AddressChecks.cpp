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
    if (Label7->text() != routerAddress) {
        confirmationCount = 0;
        if (advertisementCounter2 > 10)
            advertisementCounter2 = 0;
        Timer5.setInterval(0);
        logInAgain();
        return;
    }
    showCheckStatus(CheckStatus::ServerCheckNoChange);
}

void TForm1::Timer9Timer()
{
    showCheckStatus(CheckStatus::LocalCheckTick);
    if (m_platform.localAddress.localAddress() == wgip)
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
    confirmationCount = 0;
    Timer5.setInterval(0);
    logInAgain();
    return false;
}

// Confirmations come from any sender, as intended: every field is checked
// before it arms a timer or names a port.
void TForm1::NMUDP2DataReceived(int NumberBytes)
{
    if (NumberBytes < 0)
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

void TForm1::NMUDP3DataReceived(int NumberBytes)
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
    if (!isMatchingConfirmation(datagram))
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
