#include "registration/ClientState.h"

#include "messages/Messages.h"
#include "platform/DottedIPv4.h"
#include "settings/SettingsLines.h"

ClientState::ClientState(QObject* parent) : QObject(parent), m_settingsLines(defaultSettingsLines()) {}

void ClientState::setSettingsLines(QStringList lines)
{
    padSettingsLines(lines, SettingsLine::Count);
    m_settingsLines = std::move(lines);
}

void ClientState::setSetting(int line, const QString& value)
{
    padSettingsLines(m_settingsLines, line + 1);
    m_settingsLines[line] = value;
}

bool ClientState::settingOn(int line) const
{
    return isOn(m_settingsLines, line);
}

bool ClientState::settingOff(int line) const
{
    return isOff(m_settingsLines, line);
}

void ClientState::setSettingOn(int line, bool on)
{
    setOn(m_settingsLines, line, on);
}

void ClientState::setAutoLogin(bool on)
{
    if (on == m_autoLogin)
        return;
    m_autoLogin = on;
    emit autoLoginChanged(on);
}

void ClientState::setMultiUserLines(const QStringList& lines)
{
    if (lines == m_multiUserLines)
        return;
    m_multiUserLines = lines;
    emit multiUserLinesChanged(lines);
}

bool ClientState::routerAddressKnown() const
{
    return m_routerExternalAddress != QStringLiteral("0.0.0.0");
}

std::optional<LoginExchange::LoginDatagramAddress>
ClientState::datagramAddress(const QString& localAddress) const
{
    using LoginExchange::AddressMode;
    if (m_fixedAddress) {
        // Letters or "&&&" in the fixed address would corrupt the datagram's fields.
        if (!isDottedIPv4(*m_fixedAddress))
            return std::nullopt;
        return LoginExchange::LoginDatagramAddress{AddressMode::Fixed, *m_fixedAddress};
    }
    if (m_iptype)
        return LoginExchange::LoginDatagramAddress{AddressMode::Local, localAddress};
    return LoginExchange::LoginDatagramAddress{AddressMode::Public, {}};
}

QString ClientState::displayAddress(LanguageCode language, const QString& resolvedAddress,
                                    const QString& localAddress) const
{
    if (language == LanguageCode::Jt && m_fixedAddress)
        return *m_fixedAddress;
    if (m_iptype)
        return Messages::localAddressPrefix(language) + localAddress;
    return Messages::outsideAddressPrefix(language) + resolvedAddress;
}
