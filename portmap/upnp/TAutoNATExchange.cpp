// The search answers (UDP) and the HTTP exchange of the other tasks.

#include "portmap/upnp/TAutoNAT.h"

#include "net/TClientSocket.h"
#include "net/TNMUDP.h"
#include "platform/Timer.h"
#include "portmap/upnp/DeviceDescription.h"
#include "portmap/upnp/GatewayHttp.h"
#include "portmap/upnp/PinholeSoap.h"
#include "portmap/upnp/SoapAnswer.h"
#include "portmap/upnp/SsdpSearch.h"

#include <algorithm>
#include <chrono>

namespace {

// A network with more devices than this answering one search is not a home.
constexpr qsizetype MaxDevices = 16;

// Gateway texts are bytes; Latin-1 keeps every byte, so what came from the
// gateway goes back to it unchanged.
QString text(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

} // namespace

void TAutoNAT::searchResponse(int NumberBytes, const QString& FromIP)
{
    if (NumberBytes < 1 || NumberBytes > SsdpSearch::BufferSize - 1)
        return;
    QByteArray buffer(SsdpSearch::BufferSize, '\0');
    int length = 0;
    m_udp->FetchBytes(buffer, length);
    buffer.truncate(length);
    if (buffer.startsWith("NOTIFY ")) {
        if (OnAnnouncement)
            OnAnnouncement(buffer, FromIP);
        return;
    }
    const bool searching = m_busy && m_TaskType == TaskType::Search;
    if (!searching && !searchListening())
        return;
    const SsdpSearch::Reading reading = SsdpSearch::readDatagram(buffer, FromIP.toLatin1());
    if (reading.verdict == SsdpSearch::Reading::Ignore)
        return;
    if (reading.verdict == SsdpSearch::Reading::Fail) {
        if (searching)
            TaskFailed();
        return;
    }
    const bool known =
        std::any_of(m_devices.cbegin(), m_devices.cend(), [&](const SsdpSearch::Reading& device) {
            return device.answer.location == reading.answer.location;
        });
    if (known || m_devices.size() >= MaxDevices)
        return;
    m_devices.append(reading);
    if (!searching)
        return;
    takeNextDevice();
    TaskSucceeded();
}

bool TAutoNAT::takeNextDevice()
{
    if (m_devicesTried >= m_devices.size())
        return false;
    useDevice(m_devices.at(m_devicesTried++));
    return true;
}

void TAutoNAT::useDevice(const SsdpSearch::Reading& device)
{
    const SsdpSearch::Location& location = device.location;
    m_RouterLocation = text(device.answer.location);
    m_RouterName = text(device.answer.server);
    m_RouterUSN = text(device.answer.usn);
    m_routerBootId = device.answer.bootId;
    m_RouterIp = text(*location.routerIp);
    m_RouterPort = location.routerPort;
    m_RouterURL = text(location.routerURL);
    m_URLBase = text(SsdpSearch::urlBase(*location.routerIp, location.routerPort, location.routerURL));
}

void TAutoNAT::sendRequest(TClientWinSocket* Socket)
{
    if (m_requestSent)
        return;
    m_response.clear();
    // A pinhole's request leaves from its IPv6 address: mappings still lead to the IPv4 one.
    if (m_TaskType != TaskType::AddPinhole && m_TaskType != TaskType::UpdatePinhole &&
        m_TaskType != TaskType::DeletePinhole)
        m_localIp = Socket->LocalAddress();
    Socket->WriteBytes(m_request);
    m_requestSent = true;
}

void TAutoNAT::readResponse(TClientWinSocket* Socket)
{
    if (!m_busy) {
        Socket->ReadText(); // nothing waits for it
        return;
    }
    if (m_pausedOnce) {
        readAvailable();
        return;
    }
    // A complete answer is handled at once: waiting serves nothing then. The
    // rest of one that is not is read as it comes, at the latest when the
    // pause ends, never past the deadline.
    m_pausedOnce = true;
    const quint64 serial = m_taskSerial;
    readAvailable();
    if (!m_busy || serial != m_taskSerial)
        return;
    using namespace std::chrono;
    const auto left = ceil<milliseconds>(m_deadline - steady_clock::now());
    const milliseconds pause = std::min(m_readPause, std::max(left, milliseconds(0)));
    if (pause.count() <= 0) {
        readAvailable();
        return;
    }
    m_readPauseTimer->setInterval(int(pause.count()));
}

void TAutoNAT::readAfterPause()
{
    m_readPauseTimer->setInterval(0);
    if (m_busy)
        readAvailable();
}

void TAutoNAT::readAvailable()
{
    m_response += m_client->Socket()->ReadText();
    m_answered = m_answered || !m_response.isEmpty();
    if (GatewayHttp::ResponseComplete(m_response) == GatewayHttp::Completeness::Complete) {
        finishAnswer();
    } else if (m_response.size() > GatewayHttp::MaxResponseBytes) {
        const quint64 serial = m_taskSerial;
        TaskFailed();
        if (serial == m_taskSerial)
            m_client->Socket()->Close();
    } else if (std::chrono::steady_clock::now() >= m_deadline) {
        timeOut();
    }
}

void TAutoNAT::peerClosed()
{
    if (!m_busy)
        return;
    if (m_requestSent &&
        GatewayHttp::ResponseComplete(m_response) == GatewayHttp::Completeness::CompleteAtClose) {
        handleResponse();
        return;
    }
    TaskFailed();
}

void TAutoNAT::finishAnswer()
{
    const quint64 serial = m_taskSerial;
    handleResponse();
    if (serial == m_taskSerial)
        m_client->Socket()->Close();
}

void TAutoNAT::handleResponse()
{
    m_answered = true;
    m_response = GatewayHttp::joinedChunks(m_response);
    switch (m_TaskType) {
    case TaskType::ControlPage:
        handleDescription();
        break;
    case TaskType::AddPort:
    case TaskType::ExternalAddress:
    case TaskType::DeletePort:
    case TaskType::MappingEntry:
    case TaskType::MappingAt:
    case TaskType::AddPinhole:
    case TaskType::UpdatePinhole:
    case TaskType::DeletePinhole:
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
    m_firewallControlURL = text(walk.firewallControlURL.value_or(QByteArray()));
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
        m_fault = SoapAnswer::fault(m_response);
        TaskFailed();
        return;
    }
    if (m_TaskType == TaskType::ExternalAddress)
        m_ExternalIp = text(SoapAnswer::externalIp(m_response));
    if (m_TaskType == TaskType::AddPinhole) {
        m_pinholeId = PinholeSoap::uniqueId(m_response);
        if (!m_pinholeId) {
            TaskFailed();
            return;
        }
    }
    if (m_TaskType == TaskType::MappingEntry || m_TaskType == TaskType::MappingAt) {
        m_entry = SoapAnswer::mappingEntry(m_response);
        if (!m_entry) {
            TaskFailed();
            return;
        }
    }
    TaskSucceeded();
}
