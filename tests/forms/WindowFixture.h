#pragma once

#include "engine/Engine.h"
#include "fakes/FakePlatform.h"
#include "fakes/ServedModel.h"
#include "fakes/TestFiles.h"
#include "forms/AppShell.h"
#include "forms/TForm1.h"
#include "registration/ClientState.h"
#include "registration/LoginEngine.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// A temporary program folder, also the working folder (where the port mapping
// window keeps its files), with fakes for every platform service.
struct WindowFixture
{
    QTemporaryDir folder;
    FakePlatform fakes{folder.path()};
    AppShell shell;
    ClientState state;
    QString savedCurrent = QDir::currentPath();

    WindowFixture()
    {
        QDir::setCurrent(folder.path());
        shell.title = QStringLiteral("Kelvane2.0");
        shell.trayAvailable = [] { return false; };
    }

    ~WindowFixture() { QDir::setCurrent(savedCurrent); }
    WindowFixture(const WindowFixture&) = delete;
    WindowFixture& operator=(const WindowFixture&) = delete;

    QString path(const QString& name) const { return folder.filePath(name); }

    QByteArray read(const QString& name) const { return readFile(path(name)); }
    void write(const QString& name, const QByteArray& bytes) const { writeFile(path(name), bytes); }
};

// The primary window with the engine it shows.
struct PrimaryWindow
{
    Engine all;
    ServedModel served;
    TForm1 form;
    LoginEngine& engine = all.logins;
    ClientState& state = all.state;

    explicit PrimaryWindow(WindowFixture& f) : PrimaryWindow(f, f.fakes.platform()) {}
    PrimaryWindow(WindowFixture& f, const Platform& platform)
        : all(platform, f.shell.title, f.folder.path()), served(all, platform),
          form(platform, f.shell, served.model, served.actions)
    {
    }
};

// A control of a window, by its objectName; fails the test when there is none.
template <typename Control> Control& control(QObject& window, const char* name)
{
    auto* found = window.findChild<Control*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return *found;
}
