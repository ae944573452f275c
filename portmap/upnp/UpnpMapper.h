#pragma once

#include "messages/LanguageCode.h"
#include "platform/Timer.h"
#include "portmap/RouterMapper.h"
#include "portmap/upnp/RouterAnnouncements.h"
#include "portmap/upnp/RouterDiscovery.h"
#include "portmap/upnp/RouterMappingList.h"
#include "portmap/upnp/SoapAnswer.h"

#include <memory>
#include <optional>

struct Platform;
class TAutoNAT;

// A UPnP Internet gateway (IGD:1 or IGD:2), by its SSDP search, its device
// description and its SOAP actions; its restarts are heard from its NOTIFY
// announcements. The gateway client runs one task at a time: every task ends
// in taskEnded, which passes it on to whichever part started it.
class UpnpMapper final : public RouterMapper
{
    Q_OBJECT

public:
    UpnpMapper(const Platform& platform, LanguageCode language, QObject* parent = nullptr);
    ~UpnpMapper() override;

    // "AutoNAT1": tests shorten its waits and call its time-out.
    TAutoNAT& gateway() { return *m_nat; }

    QString protocol() const override;
    QString name() const override;
    QString address() const override;
    QString localAddress() const override;
    bool busy() const override;
    bool find() override;
    bool finding() const override { return m_discovery.underway(); }
    void stop() override;
    void networkChanged() override;
    void requestExternalAddress() override;
    bool add(const MappingLine::Ports& mapping, const QString& internalClient,
             const QString& thisMachine) override;
    bool remove(const MappingLine::Ports& mapping) override;
    void release(const MappingLine::Ports& mapping) override;
    bool canLookUp() const override { return true; }
    bool lookUp(const MappingLine::Ports& mapping) override;
    void retry(const MappingLine::Ports& mapping) override;
    void list(const QStringList& storedLines, std::function<void(const QStringList& lines)> done) override;
    bool canPinhole() const override;
    bool addPinhole(const QString& protocol, int localPort, const QString& address,
                    int leaseSeconds) override;
    bool renewPinhole(int id, const QString& address, int leaseSeconds) override;
    bool removePinhole(int id, const QString& address) override;

private:
    // The add under way, from the question who holds its port to the router's answer.
    struct AddUnderWay
    {
        MappingLine::Ports mapping;
        QString internalClient;
        QString thisMachine;
    };
    enum class HolderQuestion
    {
        None,
        BeforeAdd,     // asked before the add: another host's port is never taken over
        AfterConflict, // asked after a refused add: who holds it, or the router's own words
    };

    void taskEnded(bool succeeded);
    void onDiscovery(RouterDiscovery::Event event);
    void logRouterDetails();
    void announcementArrived(const QByteArray& datagram, const QString& senderIp);
    void onMappingEntry(bool found);

    void addStep();
    void onAddEnded(bool succeeded);
    void onHolderAnswer(bool found);
    bool heldByAnotherHost(const AddUnderWay& add) const;
    void endAdd(const AddResult& result);
    AddResult failure(const std::optional<SoapAnswer::Fault>& fault, bool answered) const;

    LanguageCode m_language;
    std::unique_ptr<TAutoNAT> m_nat;
    RouterDiscovery m_discovery;
    RouterMappingList m_listing;
    RouterAnnouncements m_announcements;
    std::optional<AddUnderWay> m_add;
    HolderQuestion m_holderQuestion = HolderQuestion::None;
    std::optional<SoapAnswer::Fault> m_conflict; // the refusal, said when no other host holds the port
    // The next step of an add (its send, or the question who holds its
    // port), from a tick: never from inside a task's handler.
    Timer m_addStep;
    bool m_releasing = false; // the delete under way reports nothing
    int m_pinholeAsked = -1;  // the pinhole the renewal or removal under way names
};
