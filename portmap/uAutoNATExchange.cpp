// The search answers (UDP) and the HTTP exchange of the other tasks.

#include "portmap/uAutoNAT.h"

#include "net/TClientSocket.h"
#include "net/TNMUDP.h"
#include "platform/Timer.h"
#include "portmap/DeviceDescription.h"
#include "portmap/GatewayHttp.h"
#include "portmap/SoapAnswer.h"
#include "portmap/SsdpSearch.h"

#include <QThread>

namespace {

// Gateway texts are bytes; Latin-1 keeps every byte, so what came from the
// gateway goes back to it unchanged.
QString text(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

} // namespace

void TAutoNAT::searchResponse(int NumberBytes)
{
    if (NumberBytes < 1 || NumberBytes > SsdpSearch::BufferSize - 1)
        return;
    QByteArray buffer(SsdpSearch::BufferSize, '\0');
    int length = 0;
    m_udp->FetchBytes(buffer, length);
    const auto answer = SsdpSearch::readAnswer(buffer.left(length));
    if (!answer) {
        if (m_TaskType == 1)
            TaskFailed();
        return;
    }
    m_RouterLocation = text(answer->location);
    m_RouterName = text(answer->server);
    m_RouterUSN = text(answer->usn);

    const SsdpSearch::Location location = SsdpSearch::splitLocation(answer->location);
    if (location.routerIp)
        m_RouterIp = text(*location.routerIp);
    if (!location.complete) {
        if (m_TaskType == 1)
            TaskFailed();
        return;
    }
    m_RouterPort = location.routerPort;
    m_RouterURL = text(location.routerURL);
    m_URLBase = text(SsdpSearch::urlBase(*location.routerIp, location.routerPort, location.routerURL));
    if (m_TaskType != 1)
        return;
    if (SsdpSearch::usable(location))
        TaskSucceeded();
    else
        TaskFailed();
}

void TAutoNAT::sendRequest(TClientWinSocket* Socket)
{
    if (m_requestSent)
        return;
    // From here on no time limit applies: the answer may take its time.
    m_taskTimer->setInterval(0);
    m_response.clear();
    Socket->WriteBytes(m_request);
    m_requestSent = true;
}

void TAutoNAT::readResponse(TClientWinSocket* Socket)
{
    // Blocks the thread, as the gateway client always has: one read then
    // usually takes the whole answer.
    QThread::msleep(static_cast<unsigned long>(m_readPause.count()));
    m_response += Socket->ReadText();
    const quint64 serial = m_taskSerial;
    if (GatewayHttp::ResponseComplete(m_response)) {
        handleResponse();
    } else if (m_response.size() > GatewayHttp::MaxResponseBytes) {
        if (m_busy)
            TaskFailed();
    } else {
        return;
    }
    if (serial == m_taskSerial)
        Socket->Close();
}

void TAutoNAT::handleResponse()
{
    switch (m_TaskType) {
    case 2:
        handleDescription();
        break;
    case 3:
    case 4:
    case 5:
        handleSoapAnswer();
        break;
    default:
        break;
    }
}

void TAutoNAT::handleDescription()
{
    const DeviceDescription::Walk walk = DeviceDescription::walk(m_response, m_URLBase.toLatin1());
    m_URLBase = text(walk.urlBase);
    if (walk.service)
        m_IPPPP = text(*walk.service);
    if (!walk.controlURL) {
        TaskFailed();
        return;
    }
    m_ControlURL = text(*walk.controlURL);
    TaskSucceeded();
    m_lcm = m_RouterIp;
    m_lcm2 = m_RouterPort;
}

void TAutoNAT::handleSoapAnswer()
{
    if (!SoapAnswer::succeeded(m_response)) {
        TaskFailed();
        return;
    }
    if (m_TaskType == 4)
        m_ExternalIp = text(SoapAnswer::externalIp(m_response));
    TaskSucceeded();
}
