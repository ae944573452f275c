#pragma once

#include "platform/Platform.h"
#include "platform/Timer.h"
#include "registration/AddressChecks.h"
#include "registration/EventLogLines.h"
#include "registration/LoginSession.h"
#include "registration/MultiUserPass.h"
#include "registration/SettingsStore.h"

#include <QObject>

class ClientState;

// The whole login side of the program, without a window: the settings files,
// the primary and the secondary login session with their list passes, the
// address checks, and the event log they write. Windows show it and hand it
// the user's actions; a run without windows prints its log.
//
// Construction loads the settings files, restores the saved login and arms
// the start-up login (one second later, when auto-login is on).
class LoginEngine : public QObject
{
    Q_OBJECT

public:
    LoginEngine(const Platform& platform, ClientState& state, const QString& caption,
                QObject* parent = nullptr);
    ~LoginEngine() override;

    // From now on the options are saved when they change (until then the
    // windows are still ticking their boxes from the settings).
    void begin();
    // "登录": logs this domain in with both servers. A domain or password that
    // InputRules refuse is said in the history, and neither sent nor saved;
    // so is one of the automatic login, of the list and of the saved login.
    void logIn(const QString& domain, const QString& password);
    // The start-up and auto-login path: the list pass in multi-user mode, else
    // the current domain; the secondary session follows.
    void logInAutomatically();
    // The domain and password as the login form holds them.
    void setFormCredentials(const QString& domain, const QString& password);
    // Re-reads the settings files (on SIGHUP); the options follow them without writing.
    void reloadSettingsFiles();
    // The end of the run or of the desktop session: the endpoints close.
    void endSession();

    // The options of the advanced panel.
    void setAutoLogin(bool on);
    void setMultiUserOption(bool on);
    void setRunHiddenOption(bool on);
    void setResolveLocalOption(bool on);
    // A fixed address InputRules refuse is said in the status bar and event-log
    // line 0, and kept as none: nothing is sent while the box is ticked.
    void setFixedAddressOption(std::optional<QString> address);
    // The multi-user list, of at most InputRules::maxListLines lines: add a
    // domain with its password; remove the line `taken` (the first line when
    // it is empty).
    void addListEntry(const QString& domain, const QString& password);
    void removeListEntry(const QString& taken);

    // Opens a page in the user's browser, or says in the status bar that it cannot.
    void openPage(const QString& url);
    // No instance lock could be made: say so in the history.
    void noteSecondCopyUndetectable();

    const QStringList& logLines() const { return m_log.lines(); }
    QString status() const { return m_log.status(); }
    LanguageCode languageCode() const { return m_language; }

    EventLogLines& eventLog() { return m_log; }
    SettingsStore& settings() { return m_settings; }
    LoginSession& primary() { return m_primary; }
    LoginSession& secondary() { return m_secondary; }
    MultiUserPass& primaryPass() { return m_primaryPass; }
    MultiUserPass& secondaryPass() { return m_secondaryPass; }
    AddressChecks& checks() { return m_checks; }

    Timer startupLoginTimer;         // primary "Timer1"
    Timer downloadTimer;             // "Timer10": the zone list and the banner
    Timer secondaryStartupTimer;     // secondary "Timer1"
    Timer secondaryFollowLoginTimer; // secondary "Timer2"
    Timer secondaryFollowAutoTimer;  // secondary "Timer5"
    Timer secondaryLocalCheckTimer;  // secondary "Timer9"

signals:
    void logLineSet(int index, const QString& text);
    void logLineAppended(const QString& text);
    void statusChanged(const QString& text);
    // The options changed without the user (a reload, or one excluding another).
    void optionsChanged();

private:
    void connectPrimary();
    void connectSecondary();
    void loadSettings();
    void stopPrimaryTimers();
    void logInAgain();
    void download();
    void saveCredentialsIfAutoLogin(const QString& domain, const QString& password);
    void secondaryLogIn();
    void secondaryLogInAutomatically();
    void secondaryLocalCheck();

    Platform m_platform;
    ClientState& m_state;
    LanguageCode m_language;
    EventLogLines m_log;
    SettingsStore m_settings;
    LoginSession m_primary;
    LoginSession m_secondary;
    MultiUserPass m_primaryPass;
    MultiUserPass m_secondaryPass;
    AddressChecks m_checks;
    bool m_savingOptions = false; // the loading guard
};
