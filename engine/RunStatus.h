#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

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
    // By server: the first send that no reply has answered yet.
    QMap<QString, QDateTime> unansweredSince;
    QString publishedAddress; // the address the last successful login published
    QDateTime publishedSince; // the login that first published it
    // This machine's address as the checks last saw it from outside, and when:
    // older than the published address, it may be stale.
    QString publicAddress;
    QDateTime publicAddressSeen;
    QString router;
    QString routerExternalAddress;
    QMap<QString, QString> mappings; // by public port and protocol: the mapping line
    // The IPv6 pinholes beside them: protocol, port, address and state; none
    // said while the router offers none.
    QStringList pinholes;

    QString text() const;
};

// A send counts as unanswered once its reply is this late.
constexpr int unansweredAfterSeconds = 60;

// What `--status` makes of a status file's text at `now`: healthy only when
// every server's last login succeeded and none has left a send unanswered;
// otherwise why not, one reason a line.
struct StatusVerdict
{
    bool healthy = false;
    QStringList reasons;
};
StatusVerdict judgeStatus(const QString& statusText, const QDateTime& now);
