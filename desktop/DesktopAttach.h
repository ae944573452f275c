#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class BusEngine;

// How the desktop program finds the one engine of its user and files: on
// the session bus, keeping the same settings folder. When none runs it has
// one started, and waits for it on the bus a while. It ends with the engine
// the windows show, from a snapshot taken after it subscribed, or with why
// there is none (the program then runs the engine itself).
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

    // `startEngine` starts one (false: it could not).
    DesktopAttach(QDBusConnection bus, QString settingsFolder, std::function<bool()> startEngine,
                  QObject* parent = nullptr);
    ~DesktopAttach() override;

    // Starts the search; finished() says when it has an outcome.
    void start();
    Outcome outcome() const { return m_outcome; }
    // Whether this face started the engine.
    bool startedEngine() const { return m_startedEngine; }
    // The engine, once attached; the caller takes it.
    std::unique_ptr<BusEngine> takeEngine();

signals:
    void finished();

private:
    void engineOnBus();
    void finish(Outcome outcome);

    QDBusConnection m_bus;
    QString m_settingsFolder;
    std::function<bool()> m_startEngine;
    bool m_startedEngine = false;
    Outcome m_outcome = Outcome::Pending;
    bool m_subscribed = false;
    QTimer m_startDeadline;
    // Subscribed before the snapshot, so that no change falls between.
    std::unique_ptr<BusEngine> m_engine;
};

// Starts kelvaned (`serviceProgram`) for a desktop that found none: through
// the systemd user unit when the user's service manager runs and a login is
// saved (the unit's engine needs one), else as a process of its own, which
// takes its login from the window. False when it cannot even try.
bool startEngineProcess(const QString& serviceProgram, bool loginSaved);
