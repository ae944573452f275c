#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <vector>

namespace {

// `kelvaned --save-login` on a terminal of its own (a pseudo-terminal this
// test holds both ends of); it is killed, by its PID, if a check fails first.
struct PromptOnTerminal
{
    int master = -1;
    int terminal = -1; // the program's end, held open so that its modes outlive the program
    pid_t pid = -1;

    explicit PromptOnTerminal(const QString& program, const QString& folder)
    {
        const QByteArray path = program.toLocal8Bit();
        std::vector<QByteArray> environment{"PATH=/usr/bin:/bin", "XDG_CONFIG_HOME=" + folder.toLocal8Bit(),
                                            "XDG_DATA_HOME=" + folder.toLocal8Bit(),
                                            "XDG_RUNTIME_DIR=" + folder.toLocal8Bit(), "LANG=C.UTF-8"};
        std::vector<char*> envp;
        for (QByteArray& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>("kelvaned"), const_cast<char*>("--save-login"),
                        const_cast<char*>("a.kelvane.example"), nullptr};
        pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            ::execve(path.constData(), argv, envp.data());
            ::_exit(127);
        }
        if (pid > 0)
            terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    }
    ~PromptOnTerminal()
    {
        if (pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (terminal >= 0)
            ::close(terminal);
        if (master >= 0)
            ::close(master);
    }

    bool echoes() const
    {
        termios modes{};
        return ::tcgetattr(terminal, &modes) == 0 && (modes.c_lflag & ECHO) != 0;
    }

    // What the program wrote to its terminal, until `wanted` shows (bounded: 10 s).
    bool shows(const QByteArray& wanted)
    {
        QByteArray seen;
        for (int turn = 0; turn < 100 && !seen.contains(wanted); ++turn) {
            pollfd readable{master, POLLIN, 0};
            if (::poll(&readable, 1, 100) == 1) {
                char bytes[256];
                const ssize_t got = ::read(master, bytes, sizeof bytes);
                if (got > 0)
                    seen.append(bytes, got);
            }
        }
        return seen.contains(wanted);
    }

    // How the program ended: the signal that ended it, or 0 (bounded: 10 s).
    int endingSignal()
    {
        int status = 0;
        for (int turn = 0; turn < 100; ++turn) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            }
            QTest::qWait(100);
        }
        return 0;
    }
};

} // namespace

class TestSaveLogin : public QObject
{
    Q_OBJECT

private slots:
    void ctrlCAtThePasswordPromptGivesTheTerminalItsEchoBack()
    {
        // A copy of its own: a portable copy keeps its files beside itself.
        QTemporaryDir folder;
        const QString program = QDir(folder.path()).filePath("kelvaned");
        QVERIFY(QFile::copy(QStringLiteral(KELVANED), program));
        PromptOnTerminal prompt(program, folder.path());
        QVERIFY(prompt.pid > 0 && prompt.terminal >= 0);
        QVERIFY(prompt.shows("Password: "));
        QTRY_VERIFY_WITH_TIMEOUT(!prompt.echoes(), 10000);
        QCOMPARE(::write(prompt.master, "\x03", 1), ssize_t(1)); // Ctrl-C, as typed
        QCOMPARE(prompt.endingSignal(), SIGINT);
        QVERIFY(prompt.echoes());
        QVERIFY(!QFile::exists(QDir(folder.path()).filePath("vkl.ini")));
    }
};

QTEST_GUILESS_MAIN(TestSaveLogin)
#include "TestSaveLogin.moc"
