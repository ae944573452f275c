#pragma once

#include "messages/LanguageCode.h"
#include "platform/CodePage.h"
#include "platform/Platform.h"
#include "platform/Timer.h"
#include "registration/LoginExchange.h"
#include "registration/LoginSessionProfile.h"
#include "registration/PageThrottle.h"

#include <QObject>

#include <memory>

class ClientState;
class EventLogLines;
class TNMUDP;

// One login session: sends the login of one domain to one server, resends it,
// and takes the one reply that answers it. The primary and the secondary
// session are two of these with their own profile. What comes after a reply
// (the next list entry, the checks) is the engine's.
class LoginSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int resendMs = 15000;
    static constexpr int resendAfterFailureMs = 6000;
    // Sends of one login before it counts as unanswered.
    static constexpr int sendsBeforeNoAnswer = 3;

    LoginSession(const Platform& platform, ClientState& state, EventLogLines& log,
                 LoginSessionProfile profile, QObject* parent = nullptr);
    ~LoginSession() override;

    // The domain and password the next send uses.
    QString domain() const { return m_domain; }
    QString password() const { return m_password; }
    void setCredentials(const QString& domain, const QString& password);

    // Sends once (the hidden "登陆" button): nothing without a domain and a password.
    void sendLogin();
    // The next send in `milliseconds`, or none (0).
    void sendIn(int milliseconds) { loginRetryTimer.setInterval(milliseconds); }

    // "wgip": the address of the last success reply; "wgip" before the first.
    QString publishedAddress() const { return m_publishedAddress; }
    // This machine's address as the last send found it.
    QString localAddress() const { return m_localAddress; }
    // The primary server host of the last send: the base of the pages it opens.
    QString pageHost() const { return m_pageHost; }
    // A login went out and its reply has not come.
    bool awaitingReply() const { return m_awaited; }
    LanguageCode languageCode() const { return m_language; }

    // Ends the endpoint: nothing is sent or received from then on.
    void closeEndpoint();

    Timer loginRetryTimer; // "Timer4"

signals:
    void credentialsChanged(const QString& domain, const QString& password);
    void localAddressChanged(const QString& address);
    void publishedAddressChanged(const QString& address);
    void loginSent();
    // `previousAddress` is the published address before this reply.
    void succeeded(const QString& previousAddress);
    // A disabled or not-registered reply.
    void refused();
    // Three sends of this login got no reply.
    void unanswered(const QString& domain);
    // This server does not serve the domain: nothing was sent.
    void notServed();
    // Every reply taken as this session's answer, for the status file.
    void replied(const QString& domain, LoginExchange::ReplyKind kind, const QString& resolvedAddress);
    void pageRequested(const QString& url);
    // The primary session changed the account type line.
    void accountTypeChanged();

private:
    void createEndpoint();
    void resend();
    void send(const LoginSessionProfile::Server& server);
    void reportSendFailure();
    void onDatagram(const QString& fromIP, int port);
    bool answersThisLogin(const LoginExchange::Reply& reply);
    void onSuccess(const LoginExchange::Reply& reply);
    void onNotRegistered(const LoginExchange::Reply& reply);
    void showStatus(const QString& text);

    Platform m_platform;
    ClientState& m_state;
    EventLogLines& m_log;
    LoginSessionProfile m_profile;
    LanguageCode m_language;
    CodePage m_codePage;
    PageThrottle m_pageThrottle;
    std::unique_ptr<TNMUDP> m_endpoint; // "NMUDP1"

    QString m_domain;
    QString m_password;
    QString m_localAddress = QStringLiteral("127.0.0.1");
    QString m_publishedAddress = QStringLiteral("wgip");
    QString m_pageHost;

    // The reply awaited: from the server address and port the login went to, once.
    bool m_awaited = false;
    QString m_serverAddress;
    int m_serverPort = 0;
    int m_sendsOfThisLogin = 0;
    bool m_otherDomainLogged = false;
};
