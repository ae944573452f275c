#include "daemon/StatusFile.h"

#include "engine/EngineBus.h"
#include "engine/RunStatus.h"
#include "platform/AtomicFile.h"
#include "platform/Console.h"
#include "platform/InstanceLock.h"
#include "platform/ProgramFolder.h"

#include <QDBusInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>
#include <utility>

QString statusFilePath(const QString& settingsFolder)
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = FileInstanceLock::privateFolder();
    return QDir(folder).filePath(QFileInfo(FileInstanceLock::nameFor(settingsFolder)).completeBaseName() +
                                 QStringLiteral(".status"));
}

StatusFile::StatusFile(QString path) : m_path(std::move(path)), m_writer([this] { writeWhatComes(); }) {}

StatusFile::~StatusFile()
{
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_one();
    m_writer.join();
    if (m_written)
        QFile::remove(m_path);
}

void StatusFile::write(const QString& text)
{
    if (text == m_handedOver && !m_handedOver.isNull())
        return;
    m_handedOver = text;
    {
        const std::lock_guard lock(m_mutex);
        m_waiting = text.toUtf8();
    }
    m_wake.notify_one();
}

void StatusFile::writeWhatComes()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_ending || m_waiting; });
        if (m_ending)
            return;
        const QByteArray text = *std::exchange(m_waiting, std::nullopt);
        lock.unlock();
        const bool written = writeFileAtomically(m_path, text, 0600, FileSync::None).ok();
        lock.lock();
        m_written = m_written || written;
    }
}

namespace {

// The running copy's status as it gives it on the session bus, when there is
// one and the copy there keeps these settings.
std::optional<QString> statusOnSessionBus(const QString& settingsFolder)
{
    QDBusInterface engine(EngineBus::serviceName, EngineBus::objectPath, EngineBus::interfaceName,
                          QDBusConnection::sessionBus());
    if (!engine.isValid() || engine.property("SettingsFolder").toString() != settingsFolder)
        return std::nullopt;
    const QVariant text = engine.property("StatusText");
    return text.isValid() ? std::optional(text.toString()) : std::nullopt;
}

} // namespace

int printStatus()
{
    // Only a look: a user who never ran the program is left without its folder and lock file.
    const ProgramFolderChoice folder = findProgramFolder(programFolder(), dataHome());
    if (!folder.error.isEmpty()) {
        printErrorLine(QStringLiteral("Cannot use the folder %1: %2").arg(folder.folder, folder.error));
        return 1;
    }
    if (!FileInstanceLock::isHeld(folder.folder)) {
        printLine(QStringLiteral("Kelvane is not running (settings in %1)").arg(folder.folder));
        return 3;
    }
    printLine(QStringLiteral("Kelvane is running (settings in %1)").arg(folder.folder));
    QString text;
    if (const auto fromBus = statusOnSessionBus(folder.folder)) {
        text = *fromBus;
    } else {
        // The running copy's own runtime folder may not be this one's.
        const QString recorded = QString::fromUtf8(FileInstanceLock::recordOf(folder.folder));
        QFile file(recorded.isEmpty() ? statusFilePath(folder.folder) : recorded);
        if (!file.open(QIODevice::ReadOnly)) {
            printLine(QStringLiteral("No status yet (%1): no login has succeeded yet").arg(file.fileName()));
            return 1;
        }
        text = QString::fromUtf8(file.readAll());
    }
    printLine(text.trimmed());
    const StatusVerdict verdict = judgeStatus(text, QDateTime::currentDateTime());
    for (const QString& reason : verdict.reasons)
        printLine(QStringLiteral("Not healthy: ") + reason);
    return verdict.healthy ? 0 : 1;
}
