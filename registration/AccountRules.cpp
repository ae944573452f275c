#include "registration/AccountRules.h"

#include "messages/Messages.h"

namespace AccountRules {

bool isPayingUser(const QString& accountCode)
{
    return accountCode == QStringLiteral("0");
}

QString accountTypeFor(const QString& accountCode)
{
    return isPayingUser(accountCode) ? QStringLiteral("6") : QStringLiteral("0");
}

std::optional<QString> accountMessage(const QString& accountCode)
{
    if (isPayingUser(accountCode))
        return Messages::payingUser();
    if (accountCode == QStringLiteral("1"))
        return Messages::freeUser();
    if (accountCode == QStringLiteral("5"))
        return Messages::testUser();
    return std::nullopt;
}

QString primaryExpiry(const LoginExchange::Reply& reply)
{
    const QString trimmed = reply.expiry.trimmed();
    if (trimmed.isEmpty() || trimmed == QStringLiteral("."))
        return reply.expiry;
    return Messages::expiryPrefix() + reply.expiry;
}

QString primaryRepeatedLoginExpiry(const LoginExchange::Reply& reply)
{
    return reply.hasExpiryMarkers ? Messages::expiryPrefix() + reply.expiry : primaryExpiry(reply);
}

QString secondaryExpiry(const LoginExchange::Reply& reply)
{
    if (reply.expiry.trimmed() == QStringLiteral("."))
        return reply.expiry;
    return Messages::expiryPrefix() + reply.expiry;
}

} // namespace AccountRules
