#include "forms/TForm1.h"

#include "messages/Messages.h"
#include "net/TNMUDP.h"
#include "registration/LoginExchange.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

using namespace LoginExchange;

std::unique_ptr<TNMUDP> TForm1::makeEndpoint(int port)
{
    try {
        auto endpoint = std::make_unique<TNMUDP>(m_platform.resolver);
        endpoint->RemotePort = port;
        endpoint->setLocalPort(port);
        return endpoint;
    } catch (const UDPSockError&) {
        // Every send of a missing endpoint then fails as a send would.
        return nullptr;
    }
}

void TForm1::createEndpoints()
{
    NMUDP1 = makeEndpoint(localPort);
    if (NMUDP1) {
        NMUDP1->OnDataReceived = [this](TNMUDP*, int numberBytes, const QString& fromIP, int port) {
            NMUDP1DataReceived(numberBytes, fromIP, port);
        };
        m_awaitedReply.watch(*NMUDP1, m_session);
    }
    NMUDP2 = makeEndpoint(8881);
    if (NMUDP2)
        NMUDP2->OnDataReceived = [this](TNMUDP*, int numberBytes, const QString& fromIP, int) {
            NMUDP2DataReceived(numberBytes, fromIP);
        };
    NMUDP3 = makeEndpoint(8882);
    if (NMUDP3)
        NMUDP3->OnDataReceived = [this](TNMUDP*, int numberBytes, const QString& fromIP, int) {
            NMUDP3DataReceived(numberBytes, fromIP);
        };
}

void TForm1::Button1Click()
{
    Label5->setText(m_platform.localAddress.localAddress());
    if (nameedit->text().trimmed().isEmpty() || passedit->text().trimmed().isEmpty())
        return;
    dlrz->setLine(0, Messages::loginSent(timeOfDay()));
    primaryServerHost = LoginExchange::primaryServerHost(nameedit->text(), m_session.zoneList);
    const int port = remotePort(primaryServerHost, m_session.settingsLines.value(SettingsLine::AccountType));
    checkTickCount = 0;
    Timer4.setInterval(15000);
    sendLogin(port);
}

void TForm1::sendLogin(int port)
{
    const auto address = m_session.datagramAddress(Label5->text());
    if (!address) {
        const QString why = Messages::fixedAddressInvalid(languageCode);
        setStatus(why);
        dlrz->setLine(0, why);
        return;
    }
    if (!NMUDP1) {
        reportSendFailure();
        return;
    }
    // A retry that fires while the previous send still waits for its look-up:
    // that send goes on, and the 15 s retry stays armed.
    if (NMUDP1->isSending())
        return;
    try {
        NMUDP1->RemoteHost = primaryServerHost;
        NMUDP1->RemotePort = port;
        const QByteArray datagram = m_codePage.encode(
            loginDatagram(nameedit->text(), passedit->text(), address->mode, address->text));
        NMUDP1->SendBytes(datagram, int(datagram.size()));
    } catch (const UDPSockError&) {
        reportSendFailure();
    }
}

void TForm1::reportSendFailure()
{
    Timer4.setInterval(6000);
    const QString text = Messages::sendFailed(languageCode);
    setStatus(text);
    dlrz->setLine(0, text);
}
