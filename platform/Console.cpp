#include "platform/Console.h"

#include <csignal>
#include <cstdio>
#include <iterator>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The terminal as it was before the prompt, for the signal handler to put back.
termios terminalBeforePrompt{};
constexpr int promptEndingSignals[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};

void restoreEchoAndEnd(int signal)
{
    ::tcsetattr(STDIN_FILENO, TCSANOW, &terminalBeforePrompt);
    // The handler was reset on entry: the signal now ends the program, as it would have.
    ::raise(signal);
}

// While the echo is off, each of these signals puts it back before it ends the
// program; `previous` keeps the actions they had.
void guardEchoAgainstSignals(struct sigaction (&previous)[std::size(promptEndingSignals)])
{
    struct sigaction restoring
    {
    };
    restoring.sa_handler = restoreEchoAndEnd;
    restoring.sa_flags = SA_RESETHAND;
    sigemptyset(&restoring.sa_mask);
    for (std::size_t i = 0; i < std::size(promptEndingSignals); ++i) {
        ::sigaction(promptEndingSignals[i], nullptr, &previous[i]);
        if (previous[i].sa_handler != SIG_IGN)
            ::sigaction(promptEndingSignals[i], &restoring, nullptr);
    }
}

void writeLine(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void printLine(const QString& line)
{
    writeLine(stdout, line);
}

void printErrorLine(const QString& line)
{
    writeLine(stderr, line);
}

void printProgress(const QString& text)
{
    static const bool terminal = ::isatty(STDERR_FILENO) == 1;
    if (!terminal)
        return;
    // Back to the line's start, the old text erased.
    const QByteArray bytes = "\r\033[K" + text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

bool standardOutputIsJournal()
{
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    struct stat info
    {
    };
    if (stream.isEmpty() || ::fstat(STDOUT_FILENO, &info) != 0)
        return false;
    return stream == QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino));
}

QString readLineWithoutEcho(const QString& prompt)
{
    const bool terminal =
        ::isatty(STDIN_FILENO) == 1 && ::tcgetattr(STDIN_FILENO, &terminalBeforePrompt) == 0;
    struct sigaction previous[std::size(promptEndingSignals)] = {};
    if (terminal) {
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        guardEchoAgainstSignals(previous);
        termios quiet = terminalBeforePrompt;
        quiet.c_lflag &= tcflag_t(~ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    char line[4096] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &terminalBeforePrompt);
        for (std::size_t i = 0; i < std::size(promptEndingSignals); ++i)
            ::sigaction(promptEndingSignals[i], &previous[i], nullptr);
        std::fputs("\n", stderr);
    }
    if (!read)
        return {};
    QByteArray bytes(line);
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    return QString::fromLocal8Bit(bytes);
}
