#include "desktop/DesktopAttach.h"

#include "desktop/BusEngine.h"
#include "engine/EngineAddress.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <utility>

DesktopAttach::DesktopAttach(QDBusConnection bus, QString settingsFolder, std::function<bool()> startEngine,
                             QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_settingsFolder(std::move(settingsFolder)),
      m_startEngine(std::move(startEngine))
{
    m_startDeadline.setSingleShot(true);
    m_startDeadline.setInterval(startTimeoutMs);
    connect(&m_startDeadline, &QTimer::timeout, this, [this] { finish(Outcome::NotStarted); });
}

DesktopAttach::~DesktopAttach() = default;

void DesktopAttach::start()
{
    if (!m_bus.isConnected()) {
        finish(Outcome::NoBus);
        return;
    }
    // Watching before asking: an engine that comes in between is seen.
    auto* watcher = new QDBusServiceWatcher(EngineAddress::serviceName, m_bus,
                                            QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { engineOnBus(); });
    const QDBusMessage question = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    auto* asked = new QDBusPendingCallWatcher(
        m_bus.asyncCall(QDBusMessage(question) << EngineAddress::serviceName), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<bool> running = *call;
        if (m_outcome != Outcome::Pending || m_subscribed)
            return;
        if (running.isValid() && running.value()) {
            engineOnBus();
        } else if (m_startEngine && m_startEngine()) {
            m_startedEngine = true;
            m_startDeadline.start();
        } else {
            finish(Outcome::NotStarted);
        }
    });
}

void DesktopAttach::engineOnBus()
{
    if (m_subscribed || m_outcome != Outcome::Pending)
        return;
    m_subscribed = true;
    m_startDeadline.stop();
    m_engine = std::make_unique<BusEngine>(m_bus);
    m_engine->takeSnapshot([this](bool ok, const QString& folder) {
        if (!ok)
            finish(Outcome::NotStarted);
        else if (QDir::cleanPath(folder) != QDir::cleanPath(m_settingsFolder))
            finish(Outcome::OtherFolder);
        else
            finish(Outcome::Attached);
    });
}

void DesktopAttach::finish(Outcome outcome)
{
    if (m_outcome != Outcome::Pending)
        return;
    m_outcome = outcome;
    m_startDeadline.stop();
    // It may be in its own answer's handler.
    if (outcome != Outcome::Attached && m_engine)
        m_engine.release()->deleteLater();
    emit finished();
}

std::unique_ptr<BusEngine> DesktopAttach::takeEngine()
{
    return std::move(m_engine);
}

bool startEngineProcess(const QString& serviceProgram, bool loginSaved)
{
    const auto startOwnProcess = [serviceProgram] {
        QProcess engine;
        engine.setProgram(serviceProgram);
        engine.setArguments({QStringLiteral("--for-desktop")});
        // Its log is what the window shows; the desktop session's log need not repeat it.
        engine.setStandardOutputFile(QProcess::nullDevice());
        return engine.startDetached();
    };
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const bool userManager = QFileInfo::exists(runtime + QStringLiteral("/systemd/private"));
    const QString systemctl = QStandardPaths::findExecutable(QStringLiteral("systemctl"));
    if (!loginSaved || !userManager || systemctl.isEmpty())
        return startOwnProcess();
    // The unit may be missing (a copy not installed from the package): then a process of its own.
    auto* unitStart = new QProcess;
    QObject::connect(unitStart, &QProcess::finished, unitStart, [unitStart, startOwnProcess](int status) {
        if (status != 0 || unitStart->exitStatus() != QProcess::NormalExit)
            startOwnProcess();
        unitStart->deleteLater();
    });
    QObject::connect(unitStart, &QProcess::errorOccurred, unitStart, [unitStart, startOwnProcess](auto error) {
        if (error == QProcess::FailedToStart) {
            startOwnProcess();
            unitStart->deleteLater();
        }
    });
    unitStart->start(systemctl, {QStringLiteral("--user"), QStringLiteral("start"), QStringLiteral("kelvane.service")});
    return true;
}
