#include "registration/LoginSessionProfile.h"

#include "registration/AccountRules.h"

using namespace LoginExchange;

LoginSessionProfile LoginSessionProfile::primary()
{
    LoginSessionProfile profile;
    profile.logLine = 0;
    profile.localPort = LoginExchange::localPort;
    profile.server = [](const QString& primaryHost, const QString& accountTypeLine) {
        return std::optional<Server>(Server{primaryHost, remotePort(primaryHost, accountTypeLine)});
    };
    profile.ownsAccount = true;
    profile.loginSent = Messages::loginSent;
    profile.sendFailed = Messages::sendFailed;
    profile.loginSucceeded = Messages::loginSucceeded;
    profile.successHistory = Messages::successHistory;
    profile.repeatedLoginHistory = Messages::repeatedLoginHistory;
    profile.loginFailedHistory = Messages::loginFailedHistory;
    profile.expiry = AccountRules::primaryExpiry;
    profile.repeatedLoginExpiry = AccountRules::primaryRepeatedLoginExpiry;
    return profile;
}

LoginSessionProfile LoginSessionProfile::secondary()
{
    LoginSessionProfile profile;
    profile.logLine = 1;
    profile.localPort = LoginExchange::localPort;
    profile.server = [](const QString& primaryHost, const QString&) {
        if (!isSecondaryEligible(primaryHost))
            return std::optional<Server>();
        return std::optional<Server>(Server{secondaryServerHost(), secondaryPort});
    };
    profile.ownsAccount = false;
    profile.loginSent = Messages::Secondary::loginSent;
    profile.sendFailed = Messages::Secondary::sendFailed;
    profile.loginSucceeded = Messages::Secondary::loginSucceeded;
    profile.successHistory = Messages::Secondary::successHistory;
    profile.repeatedLoginHistory = Messages::Secondary::repeatedLoginHistory;
    profile.loginFailedHistory = Messages::Secondary::loginFailedHistory;
    profile.expiry = AccountRules::secondaryExpiry;
    profile.repeatedLoginExpiry = AccountRules::secondaryExpiry;
    return profile;
}
