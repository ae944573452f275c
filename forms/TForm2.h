#pragma once

#include "forms/AwaitedReply.h"
#include "messages/LanguageCode.h"
#include "platform/CodePage.h"
#include "platform/Platform.h"
#include "platform/Timer.h"
#include "registration/LoginExchange.h"
#include "registration/PageThrottle.h"

#include <QWidget>

#include <memory>

class Session;
class TNMUDP;

// The secondary window: logs the domains that the designated zone serves into
// the secondary DNS server, following every login of the primary window. It is
// a hidden window that is never shown; everything it says goes to the
// session's event log (line 1 and history lines). Its fields are plain state.
class TForm2 : public QWidget
{
    Q_OBJECT

public:
    // Runs the creation handler before returning; needs the primary window
    // complete, as the session holds the settings it loaded.
    TForm2(const Platform& platform, Session& session, QWidget* parent = nullptr);
    ~TForm2() override;

    QString nameedit;
    QString passedit;
    QString Label5 = QStringLiteral("127.0.0.1   ");
    QString wgip = QStringLiteral("wgip");
    QString pageHost; // the primary server host of the last send decision
    int listIndex = 0;
    LanguageCode languageCode = LanguageCode::Jt;

    // Asks for port 9812, which the primary window holds, so it sends and
    // receives on a port the system gives it; null when no socket could be made.
    std::unique_ptr<TNMUDP> NMUDP1;

    Timer Timer1; // start-up login
    Timer Timer2; // follows the primary window's login button
    Timer Timer4; // login retry
    Timer Timer5; // follows the primary window's start-up and multi-user login
    Timer Timer7; // multi-user step
    Timer Timer8; // network wait before a list entry's login
    Timer Timer9; // secondary local check

    void FormCreate();
    void Button4Click();
    void Button5Click();
    void Button1Click();
    void NMUDP1DataReceived(int NumberBytes, const QString& FromIP, int Port);
    void Timer1Timer();
    void Timer2Timer();
    void Timer4Timer();
    void Timer5Timer();
    void Timer7Timer();
    void Timer8Timer();
    void Timer9Timer();

private:
    void connectTimers();
    void followPrimaryLogins();
    void createEndpoint();
    void setLine1(const QString& text);
    void appendHistory(const QString& text);
    QString timeOfDay() const;
    QString today() const;
    void storeCredentials();
    void onSuccessReply(const LoginExchange::Reply& reply);
    void onNotRegisteredReply(const LoginExchange::Reply& reply);
    void continueListPass();
    void reportSendFailure();

    Platform m_platform;
    Session& m_session;
    AwaitedReply m_awaitedReply;
    CodePage m_codePage;
    PageThrottle m_pageThrottle;
};
