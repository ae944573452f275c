#include "portmap/upnp/TAutoNAT.h"

#include "messages/PortMappingMessages.h"
#include "net/TClientSocket.h"
#include "net/TNMUDP.h"
#include "platform/MessageBoxes.h"
#include "platform/Timer.h"
#include "portmap/upnp/GatewayHttp.h"
#include "portmap/upnp/PinholeSoap.h"
#include "portmap/upnp/SoapRequest.h"
#include "portmap/upnp/SsdpSearch.h"

#include <QHostAddress>

TAutoNAT::TAutoNAT(HostResolver& resolver, MessageBoxes& messageBoxes)
    : m_messageBoxes(messageBoxes), m_udp(std::make_unique<TNMUDP>(resolver)),
      m_taskTimer(std::make_unique<Timer>()), m_readPauseTimer(std::make_unique<Timer>()),
      m_client(std::make_unique<TClientSocket>(resolver))
{
    m_udp->RemoteHost = QString::fromLatin1(SsdpSearch::MulticastAddress);
    m_udp->RemotePort = SsdpSearch::Port;
    // Else every program that joined the SSDP group would hand this socket its
    // searches and announcements, the client's own search among them.
    m_udp->setMulticastAll(false);
    // Media servers and minissdpd hold 1900 as well; sharing it is how the
    // router's announcements still reach this socket. Not SO_REUSEPORT: with
    // a listener that sets it too, the answers to the search would be spread
    // over both sockets.
    m_udp->setAddressReuse(true);
    m_udp->setLocalPort(SsdpSearch::Port);
    m_udp->OnDataReceived = [this](TNMUDP*, int NumberBytes, const QString& FromIP, int) {
        searchResponse(NumberBytes, FromIP);
    };
    m_udp->OnInvalidHost = [this](bool& handled) {
        TaskFailed();
        handled = true;
    };
    m_udp->OnStreamInvalid = [this](bool& handled, QIODevice&) {
        TaskFailed();
        handled = true;
    };
    m_udp->OnBufferInvalid = [this](bool& handled, QByteArray&, int&) {
        TaskFailed();
        handled = true;
    };

    m_client->ClientType = ctNonBlocking;
    m_client->OnWrite = [this](TClientSocket*, TClientWinSocket* Socket) { sendRequest(Socket); };
    m_client->OnRead = [this](TClientSocket*, TClientWinSocket* Socket) { readResponse(Socket); };
    m_client->OnError = [this](TClientSocket*, TClientWinSocket*, TErrorEvent, int& ErrorCode) {
        if (m_busy)
            TaskFailed();
        ErrorCode = 0;
    };
    m_client->OnDisconnect = [this](TClientSocket*, TClientWinSocket*) { peerClosed(); };

    m_taskTimer->setOnTimer([this] { timeOut(); });
    m_readPauseTimer->setOnTimer([this] { readAfterPause(); });
}

TAutoNAT::~TAutoNAT()
{
    m_udp.reset();
    m_taskTimer.reset();
    m_readPauseTimer.reset();
    m_client.reset();
}

void TAutoNAT::setTimeout(int value)
{
    if (value < 1000 || value > 30000) {
        m_messageBoxes.show(Messages::PortMapping::timeoutOutOfRangeCaption(),
                            Messages::PortMapping::timeoutOutOfRange());
        return;
    }
    m_Timeout = value;
}

bool TAutoNAT::taskTimerRunning() const
{
    return m_taskTimer->isRunning();
}

void TAutoNAT::aimSearch(const QString& host, int remotePort, int localPort)
{
    m_udp->RemoteHost = host;
    m_udp->RemotePort = remotePort;
    m_udp->setLocalPort(localPort);
    m_udp->joinGroup(QHostAddress(host).isMulticast() ? host : QString());
}

void TAutoNAT::rejoinSearchGroup()
{
    if (QHostAddress(m_udp->RemoteHost).isMulticast())
        m_udp->joinGroup(m_udp->RemoteHost);
}

void TAutoNAT::startTask(TaskType taskType, QByteArray request)
{
    dropConnection();
    ++m_taskSerial;
    m_request = std::move(request);
    m_TaskType = taskType;
    m_busy = true;
    m_requestSent = false;
    m_pausedOnce = false;
    m_answered = false;
    m_entry.reset();
    m_fault.reset();
    m_pinholeId.reset();
    m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_Timeout);
    m_taskTimer->setInterval(m_Timeout);
}

void TAutoNAT::dropConnection()
{
    // Busy is cleared first, so that the close fails nothing by itself.
    m_busy = false;
    m_readPauseTimer->setInterval(0);
    m_client->Socket()->Close();
}

void TAutoNAT::connectTo(const QString& host, int port, const QString& bindAddress)
{
    m_targetHost = host;
    m_targetPort = port;
    m_client->Host = host;
    m_client->Port = port;
    m_client->BindAddress = bindAddress;
    m_client->setActive(true);
}

bool TAutoNAT::FindDevice()
{
    if (m_taskTimer->isRunning())
        return false;
    startTask(TaskType::Search, SsdpSearch::request());
    m_devices.clear();
    m_devicesTried = 0;
    m_searchUntil = m_deadline;
    QByteArray buffer(SsdpSearch::BufferSize, '\0');
    buffer.replace(0, m_request.size(), m_request);
    try {
        m_udp->SendBytes(buffer, int(m_request.size()));
    } catch (const UDPSockError&) {
        if (m_busy)
            TaskFailed();
    }
    return true;
}

bool TAutoNAT::GetControlPage()
{
    if (m_taskTimer->isRunning())
        return false;
    startTask(TaskType::ControlPage,
              GatewayHttp::descriptionRequest(m_RouterURL.toLatin1(), m_RouterIp.toLatin1(), m_RouterPort));
    connectTo(m_RouterIp, m_RouterPort);
    return true;
}

namespace {

SoapRequest::Target soapTarget(const QString& controlURL, const QString& host, int port,
                               const QString& service)
{
    return {controlURL.toLatin1(), host.toLatin1(), port, service.toLatin1()};
}

} // namespace

bool TAutoNAT::startSoapTask(TaskType taskType, QByteArray request)
{
    if (m_taskTimer->isRunning())
        return false;
    startTask(taskType, std::move(request));
    connectTo(m_lcm, m_lcm2);
    return true;
}

bool TAutoNAT::AddPort(const QString& Description, int ExternalPort, const QString& InternalClient,
                       int InternalPort, const QString& Protocol)
{
    return startSoapTask(
        TaskType::AddPort,
        SoapRequest::addPortMapping(soapTarget(m_ControlURL, m_lcm, m_lcm2, m_IPPPP), Description.toUtf8(),
                                    ExternalPort, InternalClient.toUtf8(), InternalPort, Protocol.toUtf8()));
}

bool TAutoNAT::GetExternalIp()
{
    startTask(TaskType::ExternalAddress,
              SoapRequest::getExternalIPAddress(soapTarget(m_ControlURL, m_lcm, m_lcm2, m_IPPPP)));
    connectTo(m_lcm, m_lcm2);
    return true;
}

bool TAutoNAT::DeletePort(int ExternalPort, const QString& Protocol)
{
    return startSoapTask(TaskType::DeletePort,
                         SoapRequest::deletePortMapping(soapTarget(m_ControlURL, m_lcm, m_lcm2, m_IPPPP),
                                                        ExternalPort, Protocol.toUtf8()));
}

bool TAutoNAT::GetPortMapping(int ExternalPort, const QString& Protocol)
{
    return startSoapTask(TaskType::MappingEntry, SoapRequest::getSpecificPortMappingEntry(
                                                     soapTarget(m_ControlURL, m_lcm, m_lcm2, m_IPPPP),
                                                     ExternalPort, Protocol.toUtf8()));
}

bool TAutoNAT::GetPortMappingAt(int index)
{
    return startSoapTask(TaskType::MappingAt, SoapRequest::getGenericPortMappingEntry(
                                                  soapTarget(m_ControlURL, m_lcm, m_lcm2, m_IPPPP), index));
}

bool TAutoNAT::startPinholeTask(TaskType taskType, const PinholePath& path, QByteArray request)
{
    if (m_firewallControlURL.isEmpty() || m_taskTimer->isRunning())
        return false;
    startTask(taskType, std::move(request));
    connectTo(path.router, m_lcm2, path.local);
    return true;
}

// The Host header names the router's address without its interface.
SoapRequest::Target TAutoNAT::pinholeTarget(const PinholePath& path) const
{
    const QString host = QStringLiteral("[") + path.router.section(QLatin1Char('%'), 0, 0) + QLatin1Char(']');
    return soapTarget(m_firewallControlURL, host, m_lcm2, QString::fromLatin1(PinholeSoap::Service));
}

bool TAutoNAT::AddPinhole(const PinholePath& path, int InternalPort, const QString& Protocol,
                          int LeaseSeconds)
{
    return startPinholeTask(TaskType::AddPinhole, path,
                            PinholeSoap::addPinhole(pinholeTarget(path), path.local.toLatin1(), InternalPort,
                                                    Protocol.toLatin1(), LeaseSeconds));
}

bool TAutoNAT::UpdatePinhole(const PinholePath& path, int UniqueId, int LeaseSeconds)
{
    return startPinholeTask(TaskType::UpdatePinhole, path,
                            PinholeSoap::updatePinhole(pinholeTarget(path), UniqueId, LeaseSeconds));
}

bool TAutoNAT::DeletePinhole(const PinholePath& path, int UniqueId)
{
    return startPinholeTask(TaskType::DeletePinhole, path,
                            PinholeSoap::deletePinhole(pinholeTarget(path), UniqueId));
}

void TAutoNAT::TaskSucceeded()
{
    m_taskTimer->setInterval(0);
    m_readPauseTimer->setInterval(0);
    m_busy = false;
    raise(OnTaskSuccess);
}

void TAutoNAT::TaskFailed()
{
    m_taskTimer->setInterval(0);
    m_readPauseTimer->setInterval(0);
    m_busy = false;
    raise(OnTaskFail);
}

void TAutoNAT::raise(const TNotifyEvent& event)
{
    if (!event)
        return;
    const TNotifyEvent handler = event; // the handler may reassign the event
    handler(this);
}

void TAutoNAT::abandonTask()
{
    ++m_taskSerial;
    dropConnection();
    m_taskTimer->setInterval(0);
    m_searchUntil = {};
}

bool TAutoNAT::searchListening() const
{
    return std::chrono::steady_clock::now() < m_searchUntil;
}

void TAutoNAT::timeOut()
{
    if (m_busy && m_requestSent) {
        // An answer that runs until the gateway closes is taken as it stands.
        m_response += m_client->Socket()->ReadText();
        if (GatewayHttp::ResponseComplete(m_response) == GatewayHttp::Completeness::CompleteAtClose) {
            finishAnswer();
            return;
        }
    }
    const quint64 serial = m_taskSerial;
    dropConnection();
    TaskFailed();
    // A task the failure handler started keeps its number.
    if (serial == m_taskSerial)
        m_TaskType = TaskType::TimedOut;
}
