#pragma once

#include "messages/LanguageCode.h"
#include "platform/Platform.h"
#include "portmap/RouterMapper.h"
#include "portmap/natpmp/NatPmpCodec.h"

#include <QDateTime>

#include <optional>
#include <utility>

class NatPmpAnnouncements;
class NatPmpClient;

// A router with UPnP off that speaks NAT-PMP, at the default route's gateway.
// Such a router maps ports only to the host that asks, renews nothing by
// itself and cannot list what it holds: the client renews each mapping at
// half its lifetime, and the epoch of its answers shows a restart that lost
// them. Its announcements to 224.0.0.1:5350 are only a reason to ask.
class NatPmpMapper final : public RouterMapper
{
    Q_OBJECT

public:
    NatPmpMapper(const Platform& platform, LanguageCode language, QObject* parent = nullptr);
    ~NatPmpMapper() override;

    QString protocol() const override;
    QString name() const override { return {}; }
    QString address() const override { return m_gateway; }
    QString localAddress() const override;
    bool busy() const override { return false; }
    bool find() override;
    // One question, not a search a new one would disturb.
    bool finding() const override { return false; }
    void stop() override;
    void networkChanged() override {}
    void requestExternalAddress() override;
    bool add(const MappingLine::Ports& mapping, const QString& internalClient,
             const QString& thisMachine) override;
    bool remove(const MappingLine::Ports& mapping) override;
    void release(const MappingLine::Ports& mapping) override;
    bool canLookUp() const override { return false; }
    bool lookUp(const MappingLine::Ports&) override { return false; }
    void retry(const MappingLine::Ports& mapping) override;
    void list(const QStringList& storedLines, std::function<void(const QStringList& lines)> done) override;

private:
    void onAddress(const QString& address, quint32 epoch);
    void onAddressFailed(int result);
    void addressAnswered(const QString& address);
    void onMapped(const NatPmp::Mapping& asked, quint16 externalPort);
    void onUnmapped(const NatPmp::Mapping& mapping);
    void onRefused(const NatPmp::Mapping& asked, int result);

    Clock& m_clock;
    NatPmpAim m_aim;
    LanguageCode m_language;
    // The client and the listener of the router, while one is asked or answers.
    NatPmpClient* m_client = nullptr;
    NatPmpAnnouncements* m_announcements = nullptr;
    QString m_gateway;
    bool m_answered = false;
    // Its last answer's epoch and when it came: a restart is seen from it.
    std::optional<std::pair<quint32, QDateTime>> m_epoch;
    std::optional<MappingLine::Ports> m_adding;
    std::optional<MappingLine::Ports> m_removing;
};
