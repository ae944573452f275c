#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

class TestSaveLogin : public QObject
{
    Q_OBJECT

private slots:
    // kelvaned --save-login on a terminal of the test's own (a pseudo-terminal).
    void ctrlCAtThePasswordPromptGivesTheTerminalItsEchoBack()
    {
        // A portable copy of its own keeps its files beside itself.
        QTemporaryDir folder;
        const QByteArray program = QDir(folder.path()).filePath("kelvaned").toLocal8Bit();
        QVERIFY(QFile::copy(QStringLiteral(KELVANED), QString::fromLocal8Bit(program)));
        const QByteArray home = "XDG_CONFIG_HOME=" + folder.path().toLocal8Bit();
        char* argv[] = {const_cast<char*>("kelvaned"), const_cast<char*>("--save-login"),
                        const_cast<char*>("a.kelvane.example"), nullptr};
        char* envp[] = {const_cast<char*>(home.constData()), nullptr};
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            ::execve(program.constData(), argv, envp);
            ::_exit(127);
        }
        QVERIFY(pid > 0);
        // The program's end stays open here, so that its modes outlive the program.
        const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        const auto echoes = [terminal] {
            termios modes{};
            return ::tcgetattr(terminal, &modes) == 0 && (modes.c_lflag & ECHO) != 0;
        };
        int status = 0;
        const auto ended = [&] { return ::waitpid(pid, &status, WNOHANG) == pid; };
        const bool prompted = QTest::qWaitFor([&] { return !echoes(); }, 10000);
        const bool interrupted = prompted && ::write(master, "\x03", 1) == 1; // Ctrl-C, as typed
        const bool endedInTime = QTest::qWaitFor(ended, 10000);
        if (!endedInTime) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        const bool echoesAfter = echoes();
        ::close(terminal);
        ::close(master);
        QVERIFY(interrupted && endedInTime);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
        QVERIFY(echoesAfter);
        QVERIFY(!QFile::exists(QDir(folder.path()).filePath("vkl.ini")));
    }
};

QTEST_GUILESS_MAIN(TestSaveLogin)
#include "TestSaveLogin.moc"
