#pragma once

#include "messages/LanguageCode.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class Browser;
class BusKeeper;
class BusLogins;

// How the desktop program finds the one engine of its user and files: on
// the session bus, keeping the same settings folder. When none runs it has
// one started, and waits for it on the bus a while. It ends with the views
// the windows show, mirrored from a snapshot taken after they subscribed,
// or with why there are none (the program then runs the engine itself).
class DesktopAttach : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Pending,
        Attached,
        NoBus,
        OtherFolder, // the engine on the bus keeps another copy's files
        NotStarted,
    };
    static constexpr int startTimeoutMs = 10000;

    // `startEngine` starts one (false: it could not); `ownsEngine`: this face
    // started the engine already, before it re-executed itself. The login
    // view opens pages with `browser`.
    // `savedPassword` gives what this user's files keep for a domain.
    DesktopAttach(QDBusConnection bus, QString settingsFolder, std::function<bool()> startEngine,
                  bool ownsEngine, LanguageCode language, Browser& browser,
                  std::function<QString(const QString& domain)> savedPassword, QObject* parent = nullptr);
    ~DesktopAttach() override;

    // Starts the search; finished() says when it has an outcome.
    void start();
    Outcome outcome() const { return m_outcome; }
    // Whether this face started the engine, so that it ends it.
    bool ownsEngine() const { return m_ownsEngine; }
    // The views, once attached; the caller takes them.
    std::unique_ptr<BusLogins> takeLogins();
    std::unique_ptr<BusKeeper> takeKeeper();

signals:
    void finished();

private:
    void engineOnBus();
    void finish(Outcome outcome);

    QDBusConnection m_bus;
    QString m_settingsFolder;
    std::function<bool()> m_startEngine;
    bool m_ownsEngine;
    LanguageCode m_language;
    Browser& m_browser;
    std::function<QString(const QString& domain)> m_savedPassword;
    Outcome m_outcome = Outcome::Pending;
    bool m_subscribed = false;
    QTimer m_startDeadline;
    // Subscribed before the snapshot, so that no change falls between.
    std::unique_ptr<BusLogins> m_logins;
    std::unique_ptr<BusKeeper> m_keeper;
};

// Starts kelvaned (`serviceProgram`) for a desktop that found none: through
// the systemd user unit when the user's service manager runs and a login is
// saved (the unit's engine needs one), else as a process of its own, which
// takes its login from the window. False when it cannot even try.
bool startEngineProcess(const QString& serviceProgram, bool loginSaved);
