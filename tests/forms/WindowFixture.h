#pragma once

#include "fakes/FakePlatform.h"
#include "fakes/TestFiles.h"
#include "forms/AppShell.h"
#include "registration/Session.h"

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
    Session session;
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
