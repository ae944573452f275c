#pragma once

#include "fakes/FakePlatform.h"
#include "fakes/TestFiles.h"
#include "forms/AppShell.h"

#include <QTemporaryDir>
#include <QTest>

// A temporary program folder with fakes for every platform service.
struct WindowFixture
{
    QTemporaryDir folder;
    FakePlatform fakes{folder.path()};
    AppShell shell;

    WindowFixture()
    {
        shell.title = QStringLiteral("Kelvane2.0");
        shell.trayAvailable = [] { return false; };
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    QByteArray read(const QString& name) const { return readFile(path(name)); }
    void write(const QString& name, const QByteArray& bytes) const { writeFile(path(name), bytes); }
};
