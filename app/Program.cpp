#include "app/Program.h"

#include "app/EngineRun.h"
#include "app/NoDisplay.h"
#include "app/WindowSet.h"
#include "forms/AppShell.h"
#include "ui/DesktopBrowser.h"
#include "ui/QtMessageBoxes.h"
#include "ui/WebPane.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include <memory>

int runProgram(int& argc, char** argv)
{
    std::unique_ptr<QApplication> application;
    {
        const NoDisplayGuard displayGuard;
        application = std::make_unique<QApplication>(argc, argv);
    }
    // The program lives on in the notification area with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);
    EngineFace face;
    face.makeMessageBoxes = [](HeadlessOutput&) { return std::make_unique<QtMessageBoxes>(); };
    face.makeBrowser = [](HeadlessOutput&) { return std::make_unique<DesktopBrowser>(); };
    face.show = [](const Platform& platform, Engine& engine, HeadlessOutput&) {
        AppShell shell;
        shell.title = QCoreApplication::applicationName();
        shell.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
        shell.makeWebPane = [&platform](QWidget* parent) {
            return createWebPane(platform.browser, platform.http, parent);
        };
        WindowSet windows(platform, shell, engine);
        windows.start();
        return QCoreApplication::exec();
    };
    return runEngine(face);
}
