#pragma once

#include "portmap/LeaseMapper.h"
#include "portmap/natpmp/NatPmpCodec.h"

#include <QDateTime>

#include <optional>
#include <utility>

class Clock;
class NatPmpAnnouncements;
class NatPmpClient;

// A router that speaks NAT-PMP (RFC 6886): the epoch of its address answers
// shows a restart that lost the mappings, and its announcements to
// 224.0.0.1:5350 are only a reason to ask for the address again.
class NatPmpMapper final : public LeaseMapper
{
    Q_OBJECT

public:
    NatPmpMapper(const Platform& platform, LanguageCode language, QObject* parent = nullptr);
    ~NatPmpMapper() override;

    QString protocol() const override;
    QString localAddress() const override;
    QString foundLine() const override;
    void list(const QStringList& storedLines, std::function<void(const QStringList& lines)> done) override;

private:
    void open(const QHostAddress& gateway, quint16 port) override;
    void close() override;
    bool isOpen() const override { return m_client != nullptr; }
    void askAddress() override;
    void map(const MappingLine::Ports& mapping) override;
    void unmap(const MappingLine::Ports& mapping) override;
    QString onlyThisMachine(const QString& internalClient) const override;
    QString refusalReason(int result, const QString& resultName) const override;

    void onAddress(const QString& address, quint32 epoch);

    Clock& m_clock;
    NatPmpClient* m_client = nullptr;
    NatPmpAnnouncements* m_announcements = nullptr;
    // Its last answer's epoch and when it came: a restart is seen from it.
    std::optional<std::pair<quint32, QDateTime>> m_epoch;
};
