#include "desktop/ShrinkBack.h"

#include "desktop/WindowSet.h"
#include "forms/AppShell.h"
#include "ui/WebPane.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <linux/close_range.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace {

const char* const reexecutedVariable = "KELVANE_REEXECUTED";
// The former image's helpers leave within seconds of it; their exits are
// collected for a while, so that none stays a zombie.
constexpr int reaps = 30;
constexpr int reapIntervalMs = 1000;

bool takeVariable(const char* name)
{
    const bool set = qEnvironmentVariable(name) == QStringLiteral("1");
    qunsetenv(name);
    return set;
}

} // namespace

ShrinkBack::ShrinkBack(WindowSet& windows, AppShell& shell, QByteArrayList arguments)
    : m_windows(windows), m_arguments(std::move(arguments))
{
    shell.panesReleased = [this] { QTimer::singleShot(0, this, [this] { panesReleased(); }); };
    connect(&m_reaper, &QTimer::timeout, this, [this] { reapFormerHelpers(); });
}

bool ShrinkBack::takeReexecuted()
{
    return takeVariable(reexecutedVariable);
}

void ShrinkBack::startReaping()
{
    m_reapsLeft = reaps;
    m_reaper.start(reapIntervalMs);
}

void ShrinkBack::reapFormerHelpers()
{
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    if (--m_reapsLeft <= 0)
        m_reaper.stop();
}

void ShrinkBack::panesReleased()
{
    TForm1& primary = m_windows.Form1;
    TForm111& portMapping = m_windows.Form111;
    if (!webEngineLoaded() || primary.isVisible() || portMapping.isVisible() ||
        primary.paneLifetime.panesMade() || portMapping.paneLifetime.panesMade())
        return;
    reexecute();
}

void ShrinkBack::reexecute()
{
    qputenv(reexecutedVariable, "1");
    std::vector<char*> argv;
    for (QByteArray& argument : m_arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    // The browser engine's helpers leave when their channels to this process
    // close; an open descriptor would keep them, and leak into the new image.
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    execv(program.constData(), argv.data());
    // Still here: the face goes on as it is.
    qunsetenv(reexecutedVariable);
    qWarning("kelvane: cannot execute itself again: %s", strerror(errno));
}
