#include "app/Program.h"

#include "app/AppTitle.h"
#include "app/HeadlessConsole.h"
#include "app/HeadlessLogin.h"
#include "app/HeadlessOutput.h"
#include "app/NoDisplay.h"
#include "app/SingleInstance.h"
#include "app/StatusFile.h"
#include "app/StatusWatch.h"
#include "app/TerminationSignals.h"
#include "app/WindowSet.h"
#include "forms/AppShell.h"
#include "messages/Messages.h"
#include "platform/AtomicFile.h"
#include "platform/Console.h"
#include "platform/InstanceLock.h"
#include "platform/ProgramFolder.h"
#include "platform/ThreadedHostResolver.h"
#include "portmap/MappingFiles.h"
#include "settings/SettingsLines.h"
#include "ui/DesktopBrowser.h"
#include "ui/EventLog.h"
#include "ui/QtMessageBoxes.h"
#include "ui/StatusPanels.h"
#include "ui/WebPane.h"

#include <QApplication>
#include <QDir>
#include <QSystemTrayIcon>

#include <memory>

namespace {

// Without a screen the event log, the status bar and the port mapping log are the journal.
void printLogs(WindowSet& windows, HeadlessOutput& output)
{
    TForm1& form = windows.Form1;
    for (int line = 0; line < form.dlrz->lineCount(); ++line)
        output.eventLogLine(line, form.dlrz->line(line));
    QObject::connect(form.dlrz, &EventLog::lineWritten, &form,
                     [&output](int line, const QString& text) { output.eventLogLine(line, text); });
    QObject::connect(form.StatusBar1, &StatusPanels::panelTextChanged, &form,
                     [&output](int panel, const QString& text) {
                         if (panel == 0)
                             output.statusBar(text);
                     });
    QObject::connect(&windows.mappingKeeper, &MappingKeeper::logged, &windows.mappingKeeper,
                     [&output](const QString& line) { output.portMappingLine(line); });
}

} // namespace

int runProgram(int& argc, char** argv, bool headless)
{
    auto displayGuard = headless ? nullptr : std::make_unique<NoDisplayGuard>();
    QApplication application(argc, argv);
    displayGuard.reset();

    LocaleSystemLanguage language;
    const QString title = applicationTitle(language.languageId());
    QApplication::setApplicationName(title);

    HeadlessOutput output(standardOutputIsJournal(), languageCodeFor(language.languageId()));
    std::unique_ptr<MessageBoxes> messageBoxes;
    if (headless)
        messageBoxes = std::make_unique<HeadlessMessageBoxes>(output);
    else
        messageBoxes = std::make_unique<QtMessageBoxes>();
    const ProgramFolderChoice folder = chooseProgramFolder(programFolder(), dataHome());
    if (!folder.error.isEmpty()) {
        messageBoxes->show(title, Messages::programFolderUnusable(languageCodeFor(language.languageId()),
                                                                  folder.folder, folder.error));
        return 1;
    }
    FileInstanceLock instanceLock;
    const LockOutcome instance = claimSingleInstance(instanceLock, *messageBoxes, title, folder.folder);
    if (instance == LockOutcome::HeldElsewhere)
        return headless ? 1 : 0;
    // An installed program keeps the port mappings' files there too, wherever it was started.
    if (folder.installed)
        QDir::setCurrent(folder.folder);

    // The program lives on in the notification area with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);

    FileKeyStore keyStore(FileKeyStore::pathFor(folder));
    removeStaleTemporaries({settingsFilePath(folder.folder), keyStore.path()});
    ThreadedHostResolver resolver;
    HostNameLocalAddress localAddress;
    std::unique_ptr<Browser> browser;
    if (headless)
        browser = std::make_unique<HeadlessBrowser>(output);
    else
        browser = std::make_unique<DesktopBrowser>();
    QtHttpClient http;
    SystemClock clock;
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
                            GatewaySearchAim::multicast()};

    AppShell shell;
    shell.title = title;
    shell.trayAvailable = [headless] { return !headless && QSystemTrayIcon::isSystemTrayAvailable(); };
    if (!headless)
        shell.makeWebPane = [&browser, &http](QWidget* parent) {
            return createWebPane(*browser, http, parent);
        };

    if (headless) {
        const QString problem = headlessLoginProblem(keyStore, folder.folder, language.languageId());
        if (!problem.isEmpty()) {
            printErrorLine(problem);
            return 1;
        }
    }
    WindowSet windows(platform, shell, MappingFiles::folder(folder));
    const TerminationSignals terminationSignals(
        [&windows] {
            windows.Form1.WMQueryEndSession();
            QCoreApplication::exit(0);
        },
        [&windows] {
            windows.Form1.reloadSettingsFiles();
            windows.mappingKeeper.reloadFiles();
        });
    const StatusWatch statusWatch(windows, statusFilePath(folder.folder));
    if (instance == LockOutcome::Undetectable)
        windows.Form1.noteSecondCopyUndetectable();
    if (!headless) {
        windows.start();
        return QApplication::exec();
    }
    printLogs(windows, output);
    windows.Form1.FormShow(); // as after the first show: the option boxes now save
    return QApplication::exec();
}
