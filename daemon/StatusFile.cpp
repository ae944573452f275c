#include "daemon/StatusFile.h"

#include "daemon/StatusJson.h"
#include "engine/EngineAddress.h"
#include "engine/EngineService.h"

#include "engine/RunStatus.h"
#include "platform/AtomicFile.h"
#include "platform/Console.h"
#include "platform/InstanceLock.h"
#include "platform/ProgramFolder.h"

#include <QDBusMessage>
#include <QJsonDocument>
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

// The engine's interface as it stands, when the engine of these files is on the bus.
QVariantMap engineOnSessionBus(const QString& settingsFolder)
{
    QDBusMessage getAll = QDBusMessage::createMethodCall(EngineAddress::serviceName, EngineAddress::objectPath,
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("GetAll"));
    getAll << EngineService::interfaceName;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(getAll, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const auto properties = qdbus_cast<QVariantMap>(reply.arguments().first());
    return properties.value(QStringLiteral("SettingsFolder")).toString() == settingsFolder ? properties
                                                                                            : QVariantMap();
}

} // namespace

int printStatus(bool json)
{
    // Only a look: a user who never ran the program is left without its folder and lock file.
    const ProgramFolderChoice folder = findProgramFolder(programFolder(), dataHome());
    const auto answer = [&](int exitStatus, const QStringList& lines, const QStringList& reasons,
                            const QVariantMap& engine = {}) {
        if (json)
            printLine(QString::fromUtf8(
                QJsonDocument(statusJson(exitStatus != 3, exitStatus == 0, reasons, folder.folder, engine))
                    .toJson(QJsonDocument::Compact)));
        else
            for (const QString& line : lines)
                printLine(line);
        return exitStatus;
    };
    if (!folder.error.isEmpty()) {
        const QString why = QStringLiteral("Cannot use the folder %1: %2").arg(folder.folder, folder.error);
        if (!json)
            printErrorLine(why);
        return answer(1, {}, {why});
    }
    if (!FileInstanceLock::isHeld(folder.folder))
        return answer(3, {QStringLiteral("Kelvane is not running (settings in %1)").arg(folder.folder)}, {});
    QStringList lines{QStringLiteral("Kelvane is running (settings in %1)").arg(folder.folder)};
    // The running copy's own runtime folder may not be this one's.
    const QString recorded = QString::fromUtf8(FileInstanceLock::recordOf(folder.folder));
    QFile file(recorded.isEmpty() ? statusFilePath(folder.folder) : recorded);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString why = QStringLiteral("no login has succeeded yet");
        lines << QStringLiteral("No status yet (%1): %2").arg(file.fileName(), why);
        return answer(1, lines, {why});
    }
    const QString text = QString::fromUtf8(file.readAll());
    lines << text.trimmed();
    const StatusVerdict verdict = judgeStatus(text, QDateTime::currentDateTime());
    for (const QString& reason : verdict.reasons)
        lines << QStringLiteral("Not healthy: ") + reason;
    return answer(verdict.healthy ? 0 : 1, lines, verdict.reasons, engineOnSessionBus(folder.folder));
}
