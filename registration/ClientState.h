#pragma once

#include "messages/LanguageCode.h"
#include "registration/LoginExchange.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <optional>

// What the login engine and the windows share while the program runs: the
// settings lines, the zone and multi-user lists, the address options, the
// auto-login flag and what the router reported. Nobody reaches into another
// object for these; each is given this one, and a window's controls mirror it.
class ClientState : public QObject
{
    Q_OBJECT

public:
    explicit ClientState(QObject* parent = nullptr);

    // The lines of "vkl.ini", always at least SettingsLine::Count of them.
    const QStringList& settingsLines() const { return m_settingsLines; }
    void setSettingsLines(QStringList lines);
    QString setting(int line) const { return m_settingsLines.value(line); }
    void setSetting(int line, const QString& value);
    bool settingOn(int line) const;
    // Only an explicit "0" is off; a hand-edited "x" counts as on.
    bool settingOff(int line) const;
    void setSettingOn(int line, bool on);

    const QStringList& zoneList() const { return m_zoneList; }
    void setZoneList(QStringList zones) { m_zoneList = std::move(zones); }

    // Logins carry the local address.
    bool iptype() const { return m_iptype; }
    void setIptype(bool on) { m_iptype = on; }
    // Resolve to this machine's address ("解析为本机IP").
    bool resolveLocalTicked() const { return m_resolveLocalTicked; }
    void setResolveLocalTicked(bool on) { m_resolveLocalTicked = on; }
    // The fixed address, while its box is ticked.
    const std::optional<QString>& fixedAddress() const { return m_fixedAddress; }
    void setFixedAddress(std::optional<QString> address) { m_fixedAddress = std::move(address); }

    bool autoLogin() const { return m_autoLogin; }
    void setAutoLogin(bool on);

    QStringList multiUserLines() const { return m_multiUserLines; }
    void setMultiUserLines(const QStringList& lines);

    // "0.0.0.0" until the router has reported its address.
    QString routerExternalAddress() const { return m_routerExternalAddress; }
    void setRouterExternalAddress(const QString& address) { m_routerExternalAddress = address; }
    bool routerAddressKnown() const;
    // False once the router stopped answering, until it answers again: its
    // last address is then no proof of anything.
    bool routerAnswering() const { return m_routerAnswering; }
    void setRouterAnswering(bool answering) { m_routerAnswering = answering; }

    // The provider's servers that this run sent a login to: only they may
    // send confirmations to the check channels.
    void addProviderServer(const QString& address) { m_providerServers.insert(address); }
    bool isProviderServer(const QString& address) const { return m_providerServers.contains(address); }

    // The address part of a login datagram by the address options; nothing when
    // the fixed address is no address.
    std::optional<LoginExchange::LoginDatagramAddress> datagramAddress(const QString& localAddress) const;
    // The address as a success history line shows it.
    QString displayAddress(LanguageCode language, const QString& resolvedAddress,
                           const QString& localAddress) const;

signals:
    void autoLoginChanged(bool on);
    void multiUserLinesChanged(const QStringList& lines);

private:
    QStringList m_settingsLines;
    QStringList m_zoneList;
    bool m_iptype = false;
    bool m_resolveLocalTicked = false;
    std::optional<QString> m_fixedAddress;
    bool m_autoLogin = false;
    QStringList m_multiUserLines;
    QString m_routerExternalAddress = QStringLiteral("0.0.0.0");
    bool m_routerAnswering = true;
    QSet<QString> m_providerServers;
};
