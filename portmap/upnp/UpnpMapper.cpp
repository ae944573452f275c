#include "portmap/upnp/UpnpMapper.h"

#include "messages/PortMappingMessages.h"
#include "platform/DefaultGateway.h"
#include "platform/Platform.h"
#include "portmap/upnp/SsdpNotify.h"
#include "portmap/upnp/TAutoNAT.h"

namespace Text = Messages::PortMapping;

UpnpMapper::UpnpMapper(const Platform& platform, LanguageCode language, QObject* parent)
    : RouterMapper(parent), m_language(language),
      m_nat(std::make_unique<TAutoNAT>(platform.resolver, platform.messageBoxes)),
      m_discovery(*m_nat, [this](RouterDiscovery::Event event) { onDiscovery(event); }), m_listing(*m_nat),
      m_addStep(platform.clock)
{
    m_nat->aimSearch(platform.gatewaySearch.host, platform.gatewaySearch.port,
                     platform.gatewaySearch.localPort);
    m_nat->OnTaskSuccess = [this](TAutoNAT*) { taskEnded(true); };
    m_nat->OnTaskFail = [this](TAutoNAT*) { taskEnded(false); };
    m_nat->OnAnnouncement = [this](const QByteArray& datagram, const QString& senderIp) {
        announcementArrived(datagram, senderIp);
    };
    m_addStep.setOnTimer([this] { addStep(); });
}

UpnpMapper::~UpnpMapper() = default;

QString UpnpMapper::protocol() const
{
    return QStringLiteral("UPnP");
}

QString UpnpMapper::name() const
{
    return m_nat->RouterName();
}

QString UpnpMapper::address() const
{
    return m_nat->RouterIp();
}

QString UpnpMapper::localAddress() const
{
    return m_nat->LocalIp();
}

bool UpnpMapper::busy() const
{
    return m_nat->busy();
}

bool UpnpMapper::find()
{
    if (m_discovery.search()) {
        emit progress(Text::searchStarted());
        return true;
    }
    emit progress(Text::searchNotStarted());
    return false;
}

// What went out through the network just left may have had no way back; a
// task of another kind is let finish.
void UpnpMapper::stop()
{
    using Task = TAutoNAT::TaskType;
    const Task task = m_nat->task();
    if (m_nat->busy() && (task == Task::Search || task == Task::ControlPage || task == Task::ExternalAddress))
        m_nat->abandonTask();
    m_discovery.stop();
}

void UpnpMapper::networkChanged()
{
    m_nat->rejoinSearchGroup();
}

void UpnpMapper::requestExternalAddress()
{
    m_nat->GetExternalIp();
}

bool UpnpMapper::remove(const MappingLine::Ports& mapping)
{
    m_releasing = false;
    return m_nat->DeletePort(mapping.publicPort, mapping.protocol);
}

void UpnpMapper::release(const MappingLine::Ports& mapping)
{
    m_releasing = m_nat->DeletePort(mapping.publicPort, mapping.protocol);
}

bool UpnpMapper::lookUp(const MappingLine::Ports& mapping)
{
    return m_nat->GetPortMapping(mapping.publicPort, mapping.protocol);
}

// Another host's port is seen by the 5-minute check, which asks the router.
void UpnpMapper::retry(const MappingLine::Ports&) {}

void UpnpMapper::list(const QStringList& storedLines, std::function<void(const QStringList& lines)> done)
{
    if (m_listing.running())
        return;
    m_listing.start([this, storedLines, done](const RouterMappingList::Result& result) {
        done(RouterMappingList::describe(result, m_nat->LocalIp(), storedLines));
    });
}

bool UpnpMapper::canPinhole() const
{
    return !m_nat->firewallControlURL().isEmpty();
}

namespace {

// The router's IPv6 address: the gateway of this machine's IPv6 default route.
std::optional<TAutoNAT::PinholePath> pinholePath(const QString& address)
{
    const std::optional<QString> router = defaultGatewayIPv6();
    if (!router)
        return std::nullopt;
    return TAutoNAT::PinholePath{*router, address};
}

} // namespace

// Never between the steps of an add: the add's own next step would find the client busy.
bool UpnpMapper::addPinhole(const QString& protocol, int localPort, const QString& address, int leaseSeconds)
{
    const auto path = pinholePath(address);
    return !m_add && path && m_nat->AddPinhole(*path, localPort, protocol, leaseSeconds);
}

bool UpnpMapper::renewPinhole(int id, const QString& address, int leaseSeconds)
{
    m_pinholeAsked = id;
    const auto path = pinholePath(address);
    return !m_add && path && m_nat->UpdatePinhole(*path, id, leaseSeconds);
}

bool UpnpMapper::removePinhole(int id, const QString& address)
{
    m_pinholeAsked = id;
    const auto path = pinholePath(address);
    return !m_add && path && m_nat->DeletePinhole(*path, id);
}

void UpnpMapper::taskEnded(bool succeeded)
{
    using Task = TAutoNAT::TaskType;
    switch (m_nat->task()) {
    case Task::Search:
    case Task::ControlPage:
        m_discovery.taskEnded(succeeded);
        break;
    case Task::AddPort:
        onAddEnded(succeeded);
        break;
    case Task::ExternalAddress:
        if (succeeded)
            emit externalAddressRead(m_nat->ExternalIp().trimmed());
        else
            emit externalAddressFailed(m_nat->answered());
        break;
    case Task::DeletePort:
        if (!std::exchange(m_releasing, false))
            emit removeEnded(succeeded);
        break;
    case Task::MappingEntry:
        if (m_holderQuestion != HolderQuestion::None)
            onHolderAnswer(succeeded);
        else
            onMappingEntry(succeeded);
        break;
    case Task::MappingAt:
        m_listing.taskEnded(succeeded);
        break;
    case Task::AddPinhole:
        emit pinholeEnded(PinholeStep::Add, succeeded, m_nat->pinholeId().value_or(-1));
        break;
    case Task::UpdatePinhole:
        emit pinholeEnded(PinholeStep::Renew, succeeded, m_pinholeAsked);
        break;
    case Task::DeletePinhole:
        emit pinholeEnded(PinholeStep::Remove, succeeded, m_pinholeAsked);
        break;
    default:
        break;
    }
    emit idle();
}

void UpnpMapper::onDiscovery(RouterDiscovery::Event event)
{
    using Event = RouterDiscovery::Event;
    switch (event) {
    case Event::Answered:
        emit progress(QString());
        emit progress(Text::searchSucceeded());
        logRouterDetails();
        break;
    case Event::DescriptionNotStarted:
        emit logged(Text::controlPageNotStarted());
        emit lost();
        break;
    case Event::DescriptionFailed:
        emit progress(Text::controlPageFailed());
        break;
    case Event::TryingNextDevice:
        emit progress(Text::tryingNextDevice(m_nat->RouterLocation()));
        break;
    case Event::Found:
        emit progress(Text::controlPageRead());
        m_announcements.setRouter({m_nat->RouterIp(), m_nat->RouterUSN().toLatin1(),
                                   m_nat->RouterLocation().toLatin1(), m_nat->routerBootId()});
        emit found();
        break;
    case Event::NoRouter:
        emit progress(Text::searchFailed());
        emit notFound();
        break;
    }
}

void UpnpMapper::logRouterDetails()
{
    emit answered();
    using Text::RouterDetail;
    emit progress(Text::routerDetail(RouterDetail::Name, m_nat->RouterName()));
    emit progress(Text::routerDetail(RouterDetail::Location, m_nat->RouterLocation()));
    emit progress(Text::routerDetail(RouterDetail::USN, m_nat->RouterUSN()));
    emit progress(Text::routerDetail(RouterDetail::IP, m_nat->RouterIp()));
    emit progress(Text::routerDetail(RouterDetail::Port, QString::number(m_nat->RouterPort())));
    emit progress(Text::routerDetail(RouterDetail::URL, m_nat->RouterURL()));
    emit progress(Text::routerDetail(RouterDetail::URLBase, m_nat->URLBase()));
}

void UpnpMapper::announcementArrived(const QByteArray& datagram, const QString& senderIp)
{
    const auto announcement = SsdpNotify::read(datagram);
    if (!announcement)
        return;
    switch (m_announcements.take(*announcement, senderIp)) {
    case RouterAnnouncements::Meaning::Nothing:
        return;
    case RouterAnnouncements::Meaning::Restarted:
        emit restartAnnounced(Announcement::Restarted);
        return;
    case RouterAnnouncements::Meaning::DescriptionMoved:
        emit restartAnnounced(Announcement::Moved);
        return;
    }
}

void UpnpMapper::onMappingEntry(bool found)
{
    Entry entry;
    if (found && m_nat->mappingEntry()) {
        const auto& held = *m_nat->mappingEntry();
        entry = {Entry::Kind::Held, QString::fromLatin1(held.internalClient), held.internalPort,
                 QString::fromUtf8(held.description)};
    } else if (m_nat->fault() && m_nat->fault()->code == SoapAnswer::Fault::noSuchEntry) {
        entry.kind = Entry::Kind::NoSuchEntry;
    }
    emit lookedUp(entry);
}
