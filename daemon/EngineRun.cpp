#include "daemon/EngineRun.h"

#include "daemon/AppTitle.h"
#include "daemon/EngineTenure.h"
#include "engine/Engine.h"
#include "engine/EngineService.h"
#include "daemon/HeadlessConsole.h"
#include "daemon/HeadlessLogin.h"
#include "daemon/HeadlessOutput.h"
#include "daemon/SingleInstance.h"
#include "daemon/StatusFile.h"
#include "engine/StatusWatch.h"
#include "daemon/TerminationSignals.h"
#include "messages/Messages.h"
#include "platform/AtomicFile.h"
#include "platform/Console.h"
#include "platform/InstanceLock.h"
#include "platform/ProgramFolder.h"
#include "platform/ThreadedHostResolver.h"
#include "portmap/MappingFiles.h"
#include "settings/SettingsLines.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QDir>

namespace {

// Without a screen the event log, the status bar and the port mapping log are the journal.
void printLogs(Engine& all, HeadlessOutput& output)
{
    LoginEngine& engine = all.logins;
    const QStringList lines = engine.logLines();
    for (int line = 0; line < lines.size(); ++line)
        output.eventLogLine(line, lines.at(line));
    QObject::connect(&engine, &LoginEngine::logLineSet, &engine,
                     [&output](int line, const QString& text) { output.eventLogLine(line, text); });
    // An appended line has the next number, as the log box counted it.
    QObject::connect(&engine, &LoginEngine::logLineAppended, &engine,
                     [&output, &engine](const QString& text) {
                         output.eventLogLine(int(engine.logLines().size()) - 1, text);
                     });
    QObject::connect(&engine, &LoginEngine::statusChanged, &engine,
                     [&output](const QString& text) { output.statusBar(text); });
    QObject::connect(
        &engine.checks(), &AddressChecks::checkStatusShown, &engine,
        [&output](Messages::CheckStatus status, const QString& text) { output.checkStatus(status, text); });
    for (LoginSession* session : {&engine.primary(), &engine.secondary()}) {
        const bool secondary = session == &engine.secondary();
        QObject::connect(session, &LoginSession::loginSent, &engine,
                         [&output, secondary] { output.loginSent(secondary); });
        QObject::connect(session, &LoginSession::replied, &engine,
                         [&output, secondary] { output.loginAnswered(secondary); });
    }
    QObject::connect(&all.mappingKeeper, &MappingKeeper::logged, &all.mappingKeeper,
                     [&output](const QString& line) { output.portMappingLine(line); });
}

} // namespace

int runEngine(const EngineFace& face)
{
    LocaleSystemLanguage language;
    const QString title = applicationTitle(language.languageId());
    QCoreApplication::setApplicationName(title);

    SystemClock clock;
    HeadlessOutput output(standardOutputIsJournal(), languageCodeFor(language.languageId()), clock);
    const std::unique_ptr<MessageBoxes> messageBoxes = face.makeMessageBoxes(output);
    const ProgramFolderChoice folder = chooseProgramFolder(programFolder(), dataHome());
    if (!folder.error.isEmpty()) {
        messageBoxes->show(title, Messages::programFolderUnusable(languageCodeFor(language.languageId()),
                                                                  folder.folder, folder.error));
        return 1;
    }
    FileInstanceLock instanceLock;
    const LockOutcome instance = claimSingleInstance(instanceLock, *messageBoxes, title, folder.folder);
    if (instance == LockOutcome::HeldElsewhere)
        return face.headless ? 1 : 0;
    const QString statusPath = statusFilePath(folder.folder);
    // Without the record --status looks for the status file where it would put its own.
    instanceLock.record(statusPath.toUtf8());
    // An installed program keeps the port mappings' files there too, wherever it was started.
    if (folder.installed)
        QDir::setCurrent(folder.folder);

    FileKeyStore keyStore(FileKeyStore::pathFor(folder));
    const QString mappingFolder = MappingFiles::folder(folder);
    // An interrupted write of any file the run writes leaves a temporary copy
    // beside it. The engine's settings store names "yuming.ini" and "vkldomain.ini" too.
    removeStaleTemporaries({settingsFilePath(folder.folder), keyStore.path(),
                            QDir(folder.folder).filePath(QStringLiteral("yuming.ini")),
                            QDir(folder.folder).filePath(QStringLiteral("vkldomain.ini")),
                            MappingFiles::listPath(mappingFolder), MappingFiles::intervalPath(mappingFolder),
                            statusPath});
    ThreadedHostResolver resolver;
    HostNameLocalAddress localAddress;
    const std::unique_ptr<Browser> browser = face.makeBrowser(output);
    QtHttpClient http;
    NetlinkAddressWatch addressWatch;
    const Platform platform{language,
                            keyStore,
                            resolver,
                            localAddress,
                            *browser,
                            http,
                            *messageBoxes,
                            clock,
                            addressWatch,
                            folder.folder,
                            GatewaySearchAim::multicast(),
                            NatPmpAim::defaultGateway()};

    if (face.headless && !face.loginFromDesktop) {
        const QString problem = headlessLoginProblem(keyStore, folder.folder, language.languageId(),
                                                    QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        if (!problem.isEmpty()) {
            output.error(problem);
            return 1;
        }
    }
    Engine engine(platform, title, mappingFolder);
    const auto endRun = [&engine] {
        engine.logins.endSession();
        QCoreApplication::exit(0);
    };
    const TerminationSignals terminationSignals(
        endRun,
        [&engine] {
            engine.logins.reloadSettingsFiles();
            engine.mappingKeeper.reloadFiles();
        });
    StatusWatch statusWatch(engine, clock);
    StatusFile statusFile(statusPath);
    statusFile.write(statusWatch.text());
    QObject::connect(&statusWatch, &StatusWatch::textChanged,
                     [&statusFile](const QString& text) { statusFile.write(text); });
    // Without a session bus, or with the name taken, the run goes on all the same.
    EngineService service(engine, statusWatch, platform, folder.folder);
    service.publishOn(QDBusConnection::sessionBus());
    const EngineTenure tenure(service, clock, face.loginFromDesktop, endRun, [&service] {
        // The dead connection keeps its name until it is let go.
        const QString name = QStringLiteral("kelvaned");
        QDBusConnection::disconnectFromBus(name);
        return service.publishOn(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name));
    });
    if (instance == LockOutcome::Undetectable)
        engine.logins.noteSecondCopyUndetectable();
    return face.show(platform, engine, service, output);
}

int runService(int& argc, char** argv, bool forDesktop)
{
    const QCoreApplication application(argc, argv);
    EngineFace face;
    face.headless = true;
    face.loginFromDesktop = forDesktop;
    face.makeMessageBoxes = [](HeadlessOutput& output) { return std::make_unique<HeadlessMessageBoxes>(output); };
    face.makeBrowser = [](HeadlessOutput& output) { return std::make_unique<HeadlessBrowser>(output); };
    face.show = [](const Platform&, Engine& engine, EngineService&, HeadlessOutput& output) {
        printLogs(engine, output);
        engine.logins.begin(); // as after the first show: the options now save
        return QCoreApplication::exec();
    };
    return runEngine(face);
}
