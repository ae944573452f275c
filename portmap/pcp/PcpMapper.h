#pragma once

#include "portmap/LeaseMapper.h"

class Clock;
class NatPmpAnnouncements;
class PcpClient;
class PcpPinholes;

// A router that speaks PCP (RFC 6887), as ISP gateways and carrier-grade NAT
// do: its client follows the epoch of every answer and asks again for what a
// restart lost; its ANNOUNCE to 224.0.0.1:5350 is a reason to ask at once.
class PcpMapper final : public LeaseMapper
{
    Q_OBJECT

public:
    PcpMapper(const Platform& platform, LanguageCode language, QObject* parent = nullptr);
    ~PcpMapper() override;

    QString protocol() const override;
    QString localAddress() const override;
    QString foundLine() const override;
    void list(const QStringList& storedLines, std::function<void(const QStringList& lines)> done) override;
    // A MAP for an IPv6 address is a pinhole: asked of the IPv6 default gateway.
    bool canPinhole() const override { return isOpen(); }
    bool addPinhole(const QString& protocol, int localPort, const QString& address,
                    int leaseSeconds) override;
    bool renewPinhole(int id, const QString& address, int leaseSeconds) override;
    bool removePinhole(int id, const QString& address) override;

private:
    void open(const QHostAddress& gateway, quint16 port) override;
    void close() override;
    bool isOpen() const override { return m_client != nullptr; }
    void askAddress() override;
    void map(const MappingLine::Ports& mapping) override;
    void unmap(const MappingLine::Ports& mapping) override;
    QString onlyThisMachine(const QString& internalClient) const override;
    QString refusalReason(int result, const QString& resultName) const override;

    Clock& m_clock;
    bool sendPinhole(PinholeStep step, int id, const QString& address, int leaseSeconds = 0);

    PcpClient* m_client = nullptr;
    PcpPinholes* m_pinholes;
    NatPmpAnnouncements* m_announcements = nullptr;
};
