#pragma once

#include "registration/LoginExchange.h"

#include <QString>

#include <optional>

// What a success reply means for the account, for both login sessions.
namespace AccountRules {

// Account code "0" marks a paying user.
bool isPayingUser(const QString& accountCode);

// Settings line 5: "6" for a paying user, "0" otherwise. It picks the
// primary server's port of the next login.
QString accountTypeFor(const QString& accountCode);

// Event-log line 2 for the known account codes.
std::optional<QString> accountMessage(const QString& accountCode);

// The expiry part of a history line. The two sessions have always written it
// differently, and users compare their lines: keep both rules as they are.
// The primary session drops an empty expiry; a repeated login shows the
// prefix whenever the reply had expiry markers, even around an empty text.
QString primaryExpiry(const LoginExchange::Reply& reply);
QString primaryRepeatedLoginExpiry(const LoginExchange::Reply& reply);
// The secondary session prefixes anything but ".", an empty text included.
QString secondaryExpiry(const LoginExchange::Reply& reply);

} // namespace AccountRules
