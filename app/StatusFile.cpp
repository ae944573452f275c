#include "app/StatusFile.h"

#include "app/RunStatus.h"
#include "platform/AtomicFile.h"
#include "platform/Console.h"
#include "platform/InstanceLock.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString statusFilePath(const QString& settingsFolder)
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = FileInstanceLock::privateFolder();
    return QDir(folder).filePath(QFileInfo(FileInstanceLock::nameFor(settingsFolder)).completeBaseName() +
                                 QStringLiteral(".status"));
}

StatusFile::~StatusFile()
{
    if (!m_written.isNull())
        QFile::remove(m_path);
}

void StatusFile::write(const QString& text)
{
    if (text == m_written)
        return;
    if (writeFileAtomically(m_path, text.toUtf8(), 0600).ok())
        m_written = text;
}

int printStatus()
{
    const ProgramFolderChoice folder = chooseProgramFolder(programFolder(), dataHome());
    if (!folder.error.isEmpty()) {
        printErrorLine(QStringLiteral("Cannot use the folder %1: %2").arg(folder.folder, folder.error));
        return 4;
    }
    FileInstanceLock probe;
    if (probe.acquire(FileInstanceLock::nameFor(folder.folder)) != LockOutcome::HeldElsewhere) {
        printLine(QStringLiteral("Kelvane is not running (settings in %1)").arg(folder.folder));
        return 3;
    }
    printLine(QStringLiteral("Kelvane is running (settings in %1)").arg(folder.folder));
    QFile file(statusFilePath(folder.folder));
    if (!file.open(QIODevice::ReadOnly)) {
        printLine(QStringLiteral("No status yet (%1)").arg(file.fileName()));
        return 0;
    }
    const QString text = QString::fromUtf8(file.readAll());
    printLine(text.trimmed());
    return lastLoginsSucceeded(text) ? 0 : 1;
}
