// Search + description + external address against a real miniupnpd (the
// namespace lab of tests/gateway/igd-lab.sh): with TAutoNAT as shipped (a
// 1000 ms pause before each HTTP read), with those pauses set to 0, and with
// `upnpc -s`, five times each. Prints the medians and their ratios.
//
// With "stall [SECONDS] [LINES]" instead: the windows, the mapping keeper and
// the status file as the program runs them, with LINES stored mappings
// (default 0), finding the router, applying the list and polling its address
// for SECONDS (default 60), and the longest pause of the window's thread,
// measured by a 1 ms timer.
//
// Run as root: the program brings the lab up, runs itself inside its LAN
// namespace, and takes the lab down again. Argument: 1 or 2 (IGD version,
// default 2), or "stall [SECONDS] [LINES]" (IGD:2).

#include "LongestPause.h"
#include "engine/Engine.h"
#include "daemon/StatusFile.h"
#include "engine/StatusWatch.h"
#include "desktop/WindowSet.h"
#include "fakes/FakePlatform.h"
#include "fakes/ServedModel.h"
#include "fakes/TestFiles.h"
#include "forms/AppShell.h"
#include "gateway/LabNamespace.h"
#include "platform/MessageBoxes.h"
#include "platform/ThreadedHostResolver.h"
#include "portmap/upnp/TAutoNAT.h"
#include "ui/LogBox.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int Runs = 5;
const QString Lab = QStringLiteral("kvbench");

class PrintedMessageBoxes final : public MessageBoxes
{
public:
    void show(const QString& caption, const QString& text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString list(const std::vector<double>& values)
{
    QStringList texts;
    for (const double value : values)
        texts << QString::number(value, 'f', 0);
    return texts.join(QLatin1Char(' '));
}

bool waitFor(const std::function<bool()>& done, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return done();
}

// Milliseconds from FindDevice to the external address, or nothing on a failure.
std::optional<double> autoNatRun(HostResolver& resolver, MessageBoxes& boxes, int readPauseMs)
{
    TAutoNAT nat(resolver, boxes);
    nat.setReadPause(std::chrono::milliseconds(readPauseMs));
    int succeeded = 0;
    bool failed = false;
    nat.OnTaskSuccess = [&](TAutoNAT*) { ++succeeded; };
    nat.OnTaskFail = [&](TAutoNAT*) { failed = true; };
    const auto step = [&](const std::function<bool()>& start, int count) {
        return start() && waitFor([&] { return failed || succeeded >= count; }, 15000) && !failed;
    };
    QElapsedTimer clock;
    clock.start();
    if (!step([&] { return nat.FindDevice(); }, 1) || !step([&] { return nat.GetControlPage(); }, 2) ||
        !step([&] { return nat.GetExternalIp(); }, 3) || nat.ExternalIp() != QLatin1String("11.22.33.2"))
        return std::nullopt;
    return double(clock.nsecsElapsed()) / 1e6;
}

std::optional<double> upnpcRun()
{
    QProcess upnpc;
    upnpc.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    upnpc.start(QStringLiteral("upnpc"), {QStringLiteral("-s")});
    if (!upnpc.waitForFinished(30000)) {
        upnpc.kill();
        upnpc.waitForFinished(5000);
        return std::nullopt;
    }
    const double elapsed = double(clock.nsecsElapsed()) / 1e6;
    if (!upnpc.readAll().contains("ExternalIPAddress = 11.22.33.2"))
        return std::nullopt;
    return elapsed;
}

int measure()
{
    ThreadedHostResolver resolver;
    PrintedMessageBoxes boxes;
    std::vector<double> shipped;
    std::vector<double> unpaused;
    std::vector<double> upnpc;
    for (int run = 0; run < Runs; ++run) {
        const auto withPauses = autoNatRun(resolver, boxes, 1000);
        const auto withoutPauses = autoNatRun(resolver, boxes, 0);
        const auto reference = upnpcRun();
        if (!withPauses || !withoutPauses || !reference) {
            std::fprintf(stderr, "gateway: run %d failed\n", run + 1);
            return 1;
        }
        shipped.push_back(*withPauses);
        unpaused.push_back(*withoutPauses);
        upnpc.push_back(*reference);
    }
    const double pauses = median(shipped) - median(unpaused);
    std::printf("search + description + external address, IGD:%s, %d runs each (ms)\n",
                qgetenv("KELVANE_IGD_VERSION").constData(), Runs);
    std::printf("TAutoNAT, 1000 ms read pauses: median %7.1f   [%s]\n", median(shipped),
                qPrintable(list(shipped)));
    std::printf("TAutoNAT, read pauses 0 ms:    median %7.1f   [%s]\n", median(unpaused),
                qPrintable(list(unpaused)));
    std::printf("upnpc -s:                      median %7.1f   [%s]\n", median(upnpc),
                qPrintable(list(upnpc)));
    std::printf("read pauses: %.0f ms per run (about %.0f reads of 1000 ms)\n", pauses, pauses / 1000);
    std::printf("ratio TAutoNAT / upnpc -s: %.3f with the pauses, %.3f without them\n",
                median(shipped) / median(upnpc), median(unpaused) / median(upnpc));
    return 0;
}

int measureStall(int seconds, int storedLines)
{
    QTemporaryDir folder;
    QByteArray stored;
    for (int line = 0; line < storedLines; ++line)
        stored += "0.0.0.0:" + QByteArray::number(20000 + line) +
                  "  TCP  192.168.77.10:" + QByteArray::number(20000 + line) + "\r\n";
    writeFile(folder.filePath(QStringLiteral("jilu.txt")), stored);
    FakePlatform fakes(folder.path());
    fakes.gatewaySearch = GatewaySearchAim::multicast();
    fakes.localAddress.address = QStringLiteral("192.168.77.10");
    ThreadedHostResolver resolver;
    AppShell shell;
    shell.trayAvailable = [] { return false; };
    const Platform platform = fakes.platformWith(resolver);
    Engine engine(platform, shell.title, folder.path());
    ServedModel served(engine, platform);
    WindowSet windows(platform, shell, served.model, served.actions);
    const StatusWatch& statusWatch = served.status;
    StatusFile statusFile(folder.filePath(QStringLiteral("kelvane.status")));
    statusFile.write(statusWatch.text());
    QObject::connect(&statusWatch, &StatusWatch::textChanged, [&statusFile](const QString& text) { statusFile.write(text); });
    int adds = 0;
    QObject::connect(&engine.mappingKeeper, &MappingKeeper::mappingAdded, [&adds] { ++adds; });

    // The same measure on a thread with nothing else to do: what the machine
    // itself costs (another build, the scheduler).
    QThread control;
    LongestPause* controlPause = nullptr;
    QObject::connect(&control, &QThread::started, [&controlPause] { controlPause = new LongestPause; });
    qint64 controlMs = -1;
    QList<LongestPause::Gap> controlGaps;
    QObject::connect(&control, &QThread::finished, [&] {
        controlMs = controlPause->milliseconds();
        controlGaps = controlPause->gaps();
        delete controlPause;
    });
    control.start();
    const LongestPause pause;
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    qApp->exec();
    control.quit();
    control.wait();
    if (engine.mappingKeeper.externalAddress() != QLatin1String("11.22.33.2")) {
        std::fprintf(stderr, "gateway: the keeper did not read the router's address\n");
        return 1;
    }
    const qsizetype polls = windows.Form111.Memo1->text().count(QStringLiteral("外网IP="));
    std::printf(
        "port mapping window against miniupnpd, %d s, %d stored lines, %d adds, %lld address polls: "
        "longest pause of the window's thread %lld ms (ended %.1f s in), of an idle thread beside it "
        "%lld ms; of the window's thread with the idle thread's pauses taken out %lld ms; its longest "
        "stretch of work %lld ms of processor time (ended %.1f s in)\n",
        seconds, storedLines, adds, static_cast<long long>(polls),
        static_cast<long long>(pause.milliseconds()), double(pause.endedAt()) / 1000,
        static_cast<long long>(controlMs), static_cast<long long>(pause.ownMilliseconds(controlGaps)),
        static_cast<long long>(pause.longestWorkMilliseconds()), double(pause.longestWorkEndedAt()) / 1000);
    return 0;
}

// Outside the lab: bring it up, run this program in its LAN namespace, take it down.
int hostLab(const QString& version, const QStringList& arguments)
{
    if (geteuid() != 0) {
        std::fprintf(stderr, "gateway: needs root to build its network namespaces\n");
        return 1;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LAB"), Lab);
    environment.insert(QStringLiteral("MAX_LIFETIME"), QStringLiteral("1200"));
    const auto lab = [&](const QStringList& arguments) {
        QProcess script;
        script.setProcessEnvironment(environment);
        script.setProcessChannelMode(QProcess::ForwardedChannels);
        script.start(QStringLiteral(IGD_LAB_SCRIPT), arguments);
        script.waitForFinished(-1);
        return script.exitStatus() == QProcess::NormalExit ? script.exitCode() : 1;
    };
    int result = lab({QStringLiteral("up"), version});
    if (result == 0)
        result =
            lab(QStringList{QStringLiteral("lan"), QStringLiteral("env"), "KELVANE_IGD_NETNS=" + Lab + "-lan",
                            "KELVANE_IGD_VERSION=" + version, QCoreApplication::applicationFilePath()} +
                arguments);
    lab({QStringLiteral("down")});
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const bool stall = arguments.value(0) == QLatin1String("stall");
    const int seconds = stall ? std::max(1, arguments.value(1, QStringLiteral("60")).toInt()) : 0;
    const int storedLines = stall ? std::clamp(arguments.value(2).toInt(), 0, 10000) : 0;
    const QString version = stall ? QStringLiteral("2") : arguments.value(0, QStringLiteral("2"));
    if (version != QLatin1String("1") && version != QLatin1String("2")) {
        std::fprintf(stderr, "usage: gateway [1|2] | gateway stall [SECONDS] [LINES]\n");
        return 2;
    }
    QString why;
    if (!qEnvironmentVariableIsSet("KELVANE_IGD_NETNS"))
        return hostLab(version, arguments);
    if (!insideLabNamespace(&why)) {
        std::fprintf(stderr, "gateway: refusing to search for gateways: %s\n", qPrintable(why));
        return 1;
    }
    return stall ? measureStall(seconds, storedLines) : measure();
}
