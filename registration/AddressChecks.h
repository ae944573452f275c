#pragma once

#include "messages/Messages.h"
#include "platform/CodePage.h"
#include "platform/Platform.h"
#include "platform/Timer.h"
#include "registration/ReloginBackoff.h"

#include <QDateTime>
#include <QObject>

#include <memory>

class ClientState;
class EventLogLines;
class LoginSession;
class TNMUDP;

// The checks that find out whether the primary session's published address
// still holds: against the router's external address (the server check),
// against this machine's address (the local check), by the provider's
// confirmations on ports 8881 and 8882 and the loopback probe (the internal
// cycle), and the provider's two address pages against each other. When the
// address no longer holds they ask for a new login, no faster than the
// re-login back-off lets them.
class AddressChecks : public QObject
{
    Q_OBJECT

public:
    AddressChecks(const Platform& platform, ClientState& state, EventLogLines& log, LoginSession& session,
                  QObject* parent = nullptr);
    ~AddressChecks() override;

    // After a success reply of a single-domain login; `previousAddress` is
    // the published address before it.
    void armAfterLogin(const QString& previousAddress);
    // After the last entry of a list pass.
    void armAfterListPass();
    // A success reply: the next server check looks at the router afresh, and
    // a reply that changed the published address ends the back-off.
    void noteSuccess(const QString& previousAddress);
    void noteLoginSent() { m_checkTickCount = 0; }
    void stop();
    void closeChannels();

    // The address the provider's page showed at the last consistency check.
    QString providerPageAddress() const { return m_providerPageAddress; }
    // The router's external address was not the published one right after a
    // login: another NAT (a carrier's) stands between it and the provider.
    bool routerBehindAnotherNat() const { return m_routerBehindAnotherNat; }

    // "Button10": one server check.
    void runServerCheck();
    // "Button2": the loopback probes of the internal cycle.
    void sendProbes();

    Timer serverCheckTimer;      // "Timer5"
    Timer checkCycleTimer;       // "Timer6"
    Timer localCheckTimer;       // "Timer9"
    Timer consistencyCheckTimer; // "Timer14"
    Timer noPublicAddressTimer;  // "Timer15"

signals:
    // The address changed: log in again.
    void reloginWanted();
    // The two address pages disagree: no login may run.
    void loginsHalted();
    // A status of the checks, just before it is shown.
    void checkStatusShown(Messages::CheckStatus status, const QString& text);

private:
    void createChannels();
    std::unique_ptr<TNMUDP> makeChannel(int port);
    void scheduleServerCheck();
    void cycleTick();
    void localCheck();
    void compareProviderPages();
    void warnNoPublicAddress();
    bool reloginAllowed(const QString& seen);
    void logInAgain(const QString& seen);
    bool routerAddressProvesAnything(const QString& routerAddress);
    void checkAgainstProviderPage(const QString& routerAddress);
    void showCheckStatus(Messages::CheckStatus status, bool inLog = true);
    QString readCheckDatagram(TNMUDP& channel, int numberBytes);
    bool isMatchingConfirmation(const QString& datagram);
    void onFirstChannel(int numberBytes, const QString& fromIP);
    void onSecondChannel(int numberBytes, const QString& fromIP);
    void sendProbe(TNMUDP& channel, int port);
    QString publishedAddress() const;

    Platform m_platform;
    ClientState& m_state;
    EventLogLines& m_log;
    LoginSession& m_session;
    LanguageCode m_language;
    CodePage m_codePage;
    ReloginBackoff m_reloginBackoff;
    QDateTime m_heldBackToldUntil;
    // The two check channels on 8881 and 8882; null when no socket could be made.
    std::unique_ptr<TNMUDP> m_firstChannel;  // "NMUDP2"
    std::unique_ptr<TNMUDP> m_secondChannel; // "NMUDP3"

    int m_checkTickCount = 0; // internal check ticks without a loopback
    int m_confirmationCount = 0;
    int m_learnedPort = 0;
    int m_partnerPort = 0;
    int m_loopbackCount = 0;
    bool m_loopbackSeen = false;
    // After a success the first server check compares the router's address
    // with the resolved one; differing then, the router sits behind another NAT.
    bool m_firstServerCheckAfterLogin = false;
    bool m_routerBehindAnotherNat = false;
    QDateTime m_providerPageChecked;
    QString m_providerPageAddress; // "Edit1"
    QString m_serverPageAddress;   // "Edit5"
};
