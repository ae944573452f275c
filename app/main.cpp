#include "app/AppTitle.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "app/WindowSet.h"
#include "forms/AppShell.h"
#include "platform/CodePage.h"
#include "platform/InstanceLock.h"
#include "platform/ProgramFolder.h"
#include "platform/ThreadedHostResolver.h"
#include "ui/DesktopBrowser.h"
#include "ui/QtMessageBoxes.h"
#include "ui/WebPane.h"
#include "ui/WebPaneStartup.h"

#include <QApplication>
#include <QSystemTrayIcon>

int main(int argc, char* argv[])
{
    prepareWebPanes();
    QApplication application(argc, argv);

    LocaleSystemLanguage language;
    const QString title = applicationTitle(language.languageId());
    QApplication::setApplicationName(title);

    QtMessageBoxes messageBoxes;
    FileInstanceLock instanceLock;
    const LockOutcome instance = claimSingleInstance(instanceLock, messageBoxes, title);
    if (instance == LockOutcome::HeldElsewhere)
        return 0;

    // The program lives on in the notification area with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);

    FileKeyStore keyStore(FileKeyStore::defaultPath());
    ThreadedHostResolver resolver;
    HostNameLocalAddress localAddress;
    DesktopBrowser browser;
    CurlHttpClient http;
    SystemClock clock;
    const Platform platform{language, keyStore,     resolver, localAddress,    browser,
                            http,     messageBoxes, clock,    programFolder(), GatewaySearchAim::multicast()};

    AppShell shell;
    shell.title = title;
    shell.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    shell.makeWebPane = [&browser, &http](QWidget* parent) { return createWebPane(browser, http, parent); };

    WindowSet windows(platform, shell);
    const TerminationSignals terminationSignals([&windows] {
        windows.Form1.WMQueryEndSession();
        QCoreApplication::exit(0);
    });
    if (instance == LockOutcome::Undetectable)
        windows.Form1.noteSecondCopyUndetectable();
    windows.start();
    return QApplication::exec();
}
