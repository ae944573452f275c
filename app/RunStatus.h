#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

// What a running copy tells `kelvane --status`, as the lines of its status file.
struct RunStatus
{
    struct Login
    {
        QDateTime time;
        bool registered = false;
        QString result; // the reply in a word or two
    };
    QMap<QString, Login> logins; // by domain
    QString publishedAddress;    // the address the last successful login published
    QString publicAddress;       // as the provider's page sees this machine
    QString router;
    QString routerExternalAddress;
    QMap<QString, QString> mappings; // by public port and protocol: the mapping line

    QString text() const;
};

// Whether the status file's text says every domain's last login succeeded.
bool lastLoginsSucceeded(const QString& statusText);
