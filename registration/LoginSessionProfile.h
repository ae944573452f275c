#pragma once

#include "messages/Messages.h"
#include "registration/LoginExchange.h"

#include <QString>

#include <optional>

// Where a login session sends and what it says: the primary and the secondary
// session are one class with two of these.
struct LoginSessionProfile
{
    struct Server
    {
        QString host;
        int port = 0;
    };

    int logLine = 0;   // the event-log line the session overwrites
    int localPort = 0; // asked for; when taken, the system gives another one
    // The server for a domain whose primary server host is `primaryHost`;
    // nothing when this server does not serve the domain.
    std::optional<Server> (*server)(const QString& primaryHost, const QString& accountTypeLine) = nullptr;
    // The primary session also owns the status bar, the account message, the
    // account type in the settings file and the disabled notice.
    bool ownsAccount = false;

    QString (*loginSent)(const QString& time) = nullptr;
    QString (*sendFailed)(LanguageCode language) = nullptr;
    QString (*loginSucceeded)(LanguageCode language, const QString& time) = nullptr;
    QString (*successHistory)(LanguageCode language, const Messages::LoginStamp& stamp) = nullptr;
    QString (*repeatedLoginHistory)(LanguageCode language, const Messages::LoginStamp& stamp) = nullptr;
    QString (*loginFailedHistory)(LanguageCode language, const QString& date, const QString& time,
                                  const QString& user) = nullptr;
    QString (*expiry)(const LoginExchange::Reply& reply) = nullptr;
    QString (*repeatedLoginExpiry)(const LoginExchange::Reply& reply) = nullptr;

    // Local port 9812; ports 9824, 9822 or 9715 by zone and account; every domain.
    static LoginSessionProfile primary();
    // Port 9725 of the secondary server, for the domains of the designated zone only.
    static LoginSessionProfile secondary();
};
