#include "desktop/Program.h"

#include "daemon/AppTitle.h"
#include "desktop/BusEngine.h"
#include "desktop/DesktopApplication.h"
#include "desktop/DesktopAttach.h"
#include "engine/Engine.h"
#include "engine/EngineModel.h"
#include "engine/EngineService.h"
#include "engine/ServiceActions.h"
#include "daemon/EngineRun.h"
#include "daemon/HeadlessLogin.h"
#include "desktop/NoDisplay.h"
#include "desktop/ShrinkBack.h"
#include "daemon/TerminationSignals.h"
#include "desktop/WindowSet.h"
#include "forms/AppShell.h"
#include "messages/FaceMessages.h"
#include "platform/AddressWatch.h"
#include "platform/Clock.h"
#include "platform/HttpClient.h"
#include "platform/KeyStore.h"
#include "platform/LocalAddress.h"
#include "platform/ProgramFolder.h"
#include "platform/SystemLanguage.h"
#include "platform/ThreadedHostResolver.h"
#include "ui/DesktopBrowser.h"
#include "ui/QtMessageBoxes.h"
#include "ui/WebPane.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScopeGuard>
#include <QEventLoop>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>

namespace {

// How long a window keeps its web panes after it was hidden; tests and the
// footprint benchmark shorten it.
int paneReleaseDelay()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("KELVANE_PANE_RELEASE_SECONDS", &ok);
    return ok && seconds > 0 ? seconds * 1000 : PaneLifetime::defaultReleaseDelay;
}

AppShell desktopShell(const Platform& platform)
{
    AppShell shell;
    shell.title = QCoreApplication::applicationName();
    shell.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    shell.makeWebPane = [&platform](QWidget* parent) {
        return createWebPane(platform.browser, platform.http, parent);
    };
    shell.paneReleaseDelay = paneReleaseDelay();
    return shell;
}

// The tray menu's way back to a service the user stopped.
void offerServiceStart(QMenu& menu, BusEngine& engine, LanguageCode language)
{
    QAction* start = menu.addAction(Messages::Face::startService(language));
    start->setObjectName(QStringLiteral("startService"));
    start->setVisible(engine.serviceStopped());
    QObject::connect(&engine, &BusEngine::serviceStoppedChanged, start, &QAction::setVisible);
    QObject::connect(start, &QAction::triggered, &engine, &BusEngine::startService);
}

// The windows on the engine of another process, found (or started) on the
// session bus; nothing when there is none to attach to. A copy that finds
// another copy's windows has them shown, and ends with 0.
std::optional<int> runAttached(const ProgramFolderChoice& folder, const QByteArrayList& arguments)
{
    const bool reexecuted = ShrinkBack::takeReexecuted();
    LocaleSystemLanguage language;
    QCoreApplication::setApplicationName(applicationTitle(language.languageId()));
    FileKeyStore keyStore(FileKeyStore::pathFor(folder));
    DesktopBrowser browser;
    const auto loginSaved = [&] {
        return headlessLoginProblem(keyStore, folder.folder, language.languageId(), QStringLiteral("kelvane"))
            .isEmpty();
    };
    const QString service = QCoreApplication::applicationDirPath() + QStringLiteral("/kelvaned");
    const auto startEngine = [&service, &loginSaved] { return startEngineProcess(service, loginSaved()); };
    const QDBusConnection bus = QDBusConnection::sessionBus();
    DesktopApplication desktop;
    if (bus.isConnected() && !desktop.publishOn(bus) && activateRunningDesktop(bus))
        return 0;
    // The engine runs in the windows' process: the name goes with this face.
    auto releaseName = qScopeGuard([&bus] { QDBusConnection(bus).unregisterService(DesktopApplication::serviceName); });
    DesktopAttach attach(bus, folder.folder, startEngine);
    QEventLoop waiting;
    QObject::connect(&attach, &DesktopAttach::finished, &waiting, &QEventLoop::quit);
    attach.start();
    if (attach.outcome() == DesktopAttach::Outcome::Pending)
        waiting.exec();
    if (attach.outcome() != DesktopAttach::Outcome::Attached)
        return std::nullopt;
    releaseName.dismiss();
    const std::unique_ptr<BusEngine> engine = attach.takeEngine();
    const LanguageCode languageCode = languageCodeFor(language.languageId());
    engine->stayAttached(folder.folder, languageCode, startEngine);

    // The windows' own services: the engine's run elsewhere.
    SystemClock clock;
    ThreadedHostResolver resolver;
    HostNameLocalAddress localAddress;
    QtHttpClient http;
    QtMessageBoxes messageBoxes;
    NetlinkAddressWatch addressWatch;
    const Platform platform{language,
                            keyStore,
                            resolver,
                            localAddress,
                            browser,
                            http,
                            messageBoxes,
                            clock,
                            addressWatch,
                            folder.folder,
                            GatewaySearchAim::multicast(),
                            NatPmpAim::defaultGateway()};
    AppShell shell = desktopShell(platform);
    WindowSet windows(platform, shell, engine->model, engine->actions());
    ShrinkBack shrinkBack(windows, shell, arguments);
    offerServiceStart(*windows.Form111.PopupMenu1, *engine, languageCode);
    windows.Form111.setServiceStopped(engine->serviceStopped());
    QObject::connect(engine.get(), &BusEngine::serviceStoppedChanged, &windows.Form111, &TForm111::setServiceStopped);
    desktop.activate = [&windows] { windows.raisePrimary(); };
    QObject::connect(engine.get(), &BusEngine::busReplaced, &desktop,
                     [&desktop](const QDBusConnection& newBus) { desktop.publishOn(newBus); });
    // The files are the engine's: it reloads them on its own SIGHUP.
    const TerminationSignals terminationSignals(
        [&engine] {
            engine->actions().endSession();
            QCoreApplication::exit(0);
        },
        [] {});
    if (reexecuted)
        shrinkBack.startReaping();
    windows.start(!reexecuted && !loginSaved());
    return QCoreApplication::exec();
}

} // namespace

int runProgram(int& argc, char** argv)
{
    QByteArrayList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    std::unique_ptr<QApplication> application;
    {
        const NoDisplayGuard displayGuard;
        application = std::make_unique<QApplication>(argc, argv);
    }
    // The program lives on in the notification area with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);
    const ProgramFolderChoice folder = chooseProgramFolder(programFolder(), dataHome());
    if (folder.error.isEmpty()) {
        if (const std::optional<int> status = runAttached(folder, arguments))
            return *status;
    }
    // No session bus, or no engine on it: the engine runs here, on the bus for other faces.
    EngineFace face;
    face.makeMessageBoxes = [](HeadlessOutput&) { return std::make_unique<QtMessageBoxes>(); };
    face.makeBrowser = [](HeadlessOutput&) { return std::make_unique<DesktopBrowser>(); };
    face.show = [](const Platform& platform, Engine& engine, EngineService& service, HeadlessOutput&) {
        AppShell shell = desktopShell(platform);
        EngineModel model;
        followService(model, service);
        ServiceActions actions(engine, service);
        WindowSet windows(platform, shell, model, actions);
        windows.start();
        return QCoreApplication::exec();
    };
    return runEngine(face);
}
