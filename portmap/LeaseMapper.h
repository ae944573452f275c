#pragma once

#include "messages/LanguageCode.h"
#include "platform/Platform.h"
#include "portmap/RouterMapper.h"

#include <QHostAddress>

#include <optional>

// A router asked at the default route's gateway, on UDP, for leases (NAT-PMP,
// PCP): it maps ports only to the host that asks, its client renews each
// lease at half its lifetime, and it cannot list what it holds. The client
// and its listener exist while the router is asked or answers; a protocol
// makes them and hands back what they report in the calls below.
class LeaseMapper : public RouterMapper
{
    Q_OBJECT

public:
    QString name() const override { return {}; }
    QString address() const override { return m_gateway; }
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

protected:
    LeaseMapper(const NatPmpAim& aim, LanguageCode language, QObject* parent);

    // The client and the listener of announcements for that gateway.
    virtual void open(const QHostAddress& gateway, quint16 port) = 0;
    // Safe from inside the client's own signals.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void askAddress() = 0;
    virtual void map(const MappingLine::Ports& mapping) = 0;
    virtual void unmap(const MappingLine::Ports& mapping) = 0;
    // The log's line when the add is for another host.
    virtual QString onlyThisMachine(const QString& internalClient) const = 0;
    // The bus's English words for a refusal.
    virtual QString refusalReason(int result, const QString& resultName) const = 0;

    // What the client reports.
    void addressAnswered(const QString& address);
    // `answered`: whether the gateway said anything at all.
    void addressFailed(bool answered);
    void leaseGiven(const MappingLine::Ports& asked, int givenPort);
    void leaseEnded(const MappingLine::Ports& mapping);
    // `result` < 0: no answer.
    void leaseRefused(const MappingLine::Ports& asked, int result, const QString& resultName);

    static QString protocolName(bool tcp) { return tcp ? QStringLiteral("TCP") : QStringLiteral("UDP"); }
    LanguageCode language() const { return m_language; }

private:
    NatPmpAim m_aim;
    LanguageCode m_language;
    QString m_gateway;
    bool m_answered = false;
    std::optional<MappingLine::Ports> m_adding;
    std::optional<MappingLine::Ports> m_removing;
};
