// The search answers (UDP) and the HTTP exchange of the other tasks.

#include "portmap/uAutoNAT.h"

#include "net/TClientSocket.h"
#include "net/TNMUDP.h"
#include "portmap/DeviceDescription.h"
#include "portmap/GatewayHttp.h"
#include "portmap/SoapAnswer.h"
#include "portmap/SsdpSearch.h"

#include <QThread>

#include <algorithm>
#include <chrono>

namespace {

// Gateway texts are bytes; Latin-1 keeps every byte, so what came from the
// gateway goes back to it unchanged.
QString text(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

} // namespace

void TAutoNAT::searchResponse(int NumberBytes, const QString& FromIP)
{
    if (!m_busy || m_TaskType != TaskType::Search)
        return;
    if (NumberBytes < 1 || NumberBytes > SsdpSearch::BufferSize - 1)
        return;
    QByteArray buffer(SsdpSearch::BufferSize, '\0');
    int length = 0;
    m_udp->FetchBytes(buffer, length);
    const SsdpSearch::Reading reading = SsdpSearch::readDatagram(buffer.left(length), FromIP.toLatin1());
    if (reading.verdict == SsdpSearch::Reading::Ignore)
        return;
    if (reading.verdict == SsdpSearch::Reading::Fail) {
        TaskFailed();
        return;
    }
    const SsdpSearch::Location& location = reading.location;
    m_RouterLocation = text(reading.answer.location);
    m_RouterName = text(reading.answer.server);
    m_RouterUSN = text(reading.answer.usn);
    m_RouterIp = text(*location.routerIp);
    m_RouterPort = location.routerPort;
    m_RouterURL = text(location.routerURL);
    m_URLBase = text(SsdpSearch::urlBase(*location.routerIp, location.routerPort, location.routerURL));
    TaskSucceeded();
}

void TAutoNAT::sendRequest(TClientWinSocket* Socket)
{
    if (m_requestSent)
        return;
    m_response.clear();
    Socket->WriteBytes(m_request);
    m_requestSent = true;
}

void TAutoNAT::readResponse(TClientWinSocket* Socket)
{
    using namespace std::chrono;
    const auto left = ceil<milliseconds>(m_deadline - steady_clock::now());
    if (m_busy && left.count() <= 0) {
        timeOut();
        return;
    }
    // Blocks the thread, as the gateway client always has: one read then
    // usually takes the whole answer. Never past the deadline, though.
    const milliseconds pause = m_busy ? std::min(m_readPause, left) : m_readPause;
    QThread::msleep(static_cast<unsigned long>(pause.count()));
    m_response += Socket->ReadText();
    const quint64 serial = m_taskSerial;
    if (GatewayHttp::ResponseComplete(m_response)) {
        handleResponse();
    } else if (m_response.size() > GatewayHttp::MaxResponseBytes) {
        if (m_busy)
            TaskFailed();
    } else if (m_busy && steady_clock::now() >= m_deadline) {
        timeOut(); // drops the connection itself
        return;
    } else {
        return;
    }
    if (serial == m_taskSerial)
        Socket->Close();
}

void TAutoNAT::handleResponse()
{
    switch (m_TaskType) {
    case TaskType::ControlPage:
        handleDescription();
        break;
    case TaskType::AddPort:
    case TaskType::ExternalAddress:
    case TaskType::DeletePort:
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
    // Taken before the handler runs: a task it starts has a target of its own.
    const QString host = m_targetHost;
    const int port = m_targetPort;
    TaskSucceeded();
    m_lcm = host;
    m_lcm2 = port;
}

void TAutoNAT::handleSoapAnswer()
{
    if (!SoapAnswer::succeeded(m_response)) {
        TaskFailed();
        return;
    }
    if (m_TaskType == TaskType::ExternalAddress)
        m_ExternalIp = text(SoapAnswer::externalIp(m_response));
    TaskSucceeded();
}
