#include "daemon/Autostart.h"

#include "platform/AtomicFile.h"
#include "platform/Console.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString autostartEntryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/kelvane.desktop");
}

// A desktop entry's Exec value: quoted, with the characters that quoting
// leaves special escaped.
QString execValue(const QString& program)
{
    QString escaped;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    return u'"' + escaped + u'"';
}

} // namespace

int setAutostart(bool on)
{
    const QString path = autostartEntryPath();
    if (!on) {
        if (!QFile::exists(path)) {
            printLine(QStringLiteral("Kelvane does not start at login (%1 does not exist)").arg(path));
            return 0;
        }
        if (!QFile::remove(path)) {
            printErrorLine(QStringLiteral("Cannot remove %1").arg(path));
            return 1;
        }
        printLine(QStringLiteral("Kelvane no longer starts at login: removed %1").arg(path));
        return 0;
    }
    const QString program = programPath();
    const QByteArray entry = QStringLiteral("[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Name=Kelvane\n"
                                            "Comment=Dynamic DNS client\n"
                                            "Exec=%1\n"
                                            "Icon=kelvane\n"
                                            "Terminal=false\n"
                                            "X-GNOME-Autostart-enabled=true\n")
                                 .arg(execValue(program))
                                 .toUtf8();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const WriteResult written = writeFileAtomically(path, entry, 0644);
    if (!written.ok()) {
        printErrorLine(written.error);
        return 1;
    }
    printLine(QStringLiteral("Kelvane starts at login: wrote %1").arg(path));
    return 0;
}
