#include "registration/Session.h"

#include "messages/Messages.h"
#include "platform/DottedIPv4.h"

Session::Session(QObject* parent) : QObject(parent) {}

void Session::setAutoLogin(bool on)
{
    if (on == m_autoLogin)
        return;
    m_autoLogin = on;
    emit autoLoginChanged(on);
}

void Session::setMultiUserLines(const QStringList& lines)
{
    if (lines == m_multiUserLines)
        return;
    m_multiUserLines = lines;
    emit multiUserLinesChanged(lines);
}

std::optional<LoginExchange::LoginDatagramAddress> Session::datagramAddress(const QString& localAddress) const
{
    using LoginExchange::AddressMode;
    if (fixedAddress) {
        // Letters or "&&&" in the fixed address would corrupt the datagram's fields.
        if (!isDottedIPv4(*fixedAddress))
            return std::nullopt;
        return LoginExchange::LoginDatagramAddress{AddressMode::Fixed, *fixedAddress};
    }
    if (iptype)
        return LoginExchange::LoginDatagramAddress{AddressMode::Local, localAddress};
    return LoginExchange::LoginDatagramAddress{AddressMode::Public, {}};
}

QString Session::displayAddress(LanguageCode language, const QString& resolvedAddress,
                                const QString& localAddress) const
{
    if (language == LanguageCode::Jt && fixedAddress)
        return *fixedAddress;
    if (iptype)
        return Messages::localAddressPrefix(language) + localAddress;
    return Messages::outsideAddressPrefix(language) + resolvedAddress;
}
