#pragma once

#include "messages/LanguageCode.h"
#include "registration/LoginExchange.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <optional>

// What the three windows share while the program runs. No window reaches into
// another: each is given this object, and its own controls mirror it (the
// primary window's `zddr` mirrors `autoLogin`, its `Memo2` the multi-user list,
// the port mapping window reports the router's external address here). What
// the windows say goes through the signals, which the primary window shows.
class Session : public QObject
{
    Q_OBJECT

public:
    explicit Session(QObject* parent = nullptr);

    QStringList settingsLines; // the lines of "vkl.ini", written whole by the primary window
    QStringList zoneList;      // "yuming.ini"
    bool iptype = false;       // logins carry the local address

    // The address options of the primary window's advanced panel.
    bool resolveLocalTicked = false;     // resolve to this machine's address
    std::optional<QString> fixedAddress; // the fixed address, while its box is ticked

    bool autoLogin() const { return m_autoLogin; }
    void setAutoLogin(bool on);

    QStringList multiUserLines() const { return m_multiUserLines; }
    void setMultiUserLines(const QStringList& lines);

    // "0.0.0.0" until the router has reported its address.
    QString routerExternalAddress() const { return m_routerExternalAddress; }
    void setRouterExternalAddress(const QString& address) { m_routerExternalAddress = address; }
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

    void setLogLine(int line, const QString& text) { emit logLineSet(line, text); }
    void appendLogLine(const QString& text) { emit logLineAppended(text); }
    void openPage(const QString& url) { emit pageRequested(url); }
    // Saving goes through the primary window, which keeps the settings file.
    void saveLogin(const QString& domain, const QString& password)
    {
        emit loginSaveRequested(domain, password);
    }
    // The secondary session follows every login of the primary one.
    void startLogin(const QString& domain, const QString& password) { emit loginStarted(domain, password); }
    void startAutomaticLogin() { emit automaticLoginStarted(); }
    // A reply that the primary session took as the answer to its login.
    void reportLoginReply(const QString& domain, LoginExchange::ReplyKind kind,
                          const QString& resolvedAddress)
    {
        emit loginReplied(domain, kind, resolvedAddress);
    }

signals:
    void autoLoginChanged(bool on);
    void multiUserLinesChanged(const QStringList& lines);
    void logLineSet(int line, const QString& text);
    void logLineAppended(const QString& text);
    void pageRequested(const QString& url);
    void loginSaveRequested(const QString& domain, const QString& password);
    void loginStarted(const QString& domain, const QString& password);
    void automaticLoginStarted();
    void loginReplied(const QString& domain, LoginExchange::ReplyKind kind, const QString& resolvedAddress);

private:
    bool m_autoLogin = false;
    QStringList m_multiUserLines;
    QString m_routerExternalAddress = QStringLiteral("0.0.0.0");
    bool m_routerAnswering = true;
    QSet<QString> m_providerServers;
};
