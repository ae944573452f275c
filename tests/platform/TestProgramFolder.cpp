#include "fakes/TestFiles.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestProgramFolder : public QObject
{
    Q_OBJECT

private slots:
    void folderOfTheRunningExecutable()
    {
        const QString folder = programFolder();
        QVERIFY(!folder.endsWith(QLatin1Char('/')));
        QCOMPARE(QFileInfo(folder).canonicalFilePath(),
                 QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath());
        QVERIFY(QFileInfo::exists(folder + QLatin1Char('/') +
                                  QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
    }

    void aWritableFolderKeepsTheFilesBesideTheExecutable()
    {
        QTemporaryDir portable;
        const ProgramFolderChoice choice = chooseProgramFolder(portable.path(), "/nonexistent");
        QCOMPARE(choice.folder, portable.path());
        QVERIFY(!choice.installed);
    }

    void anInstalledProgramKeepsThemInItsDataFolder()
    {
        QTemporaryDir data;
        const QString home = data.filePath("share");
        const ProgramFolderChoice found = findProgramFolder("/usr/bin", home);
        QVERIFY(!QFileInfo::exists(home)); // a look makes nothing
        const ProgramFolderChoice choice = chooseProgramFolder("/usr/bin", home);
        QVERIFY(choice.installed);
        QVERIFY(choice.error.isEmpty());
        QCOMPARE(choice.folder, home + "/kelvane");
        QCOMPARE(found.folder, choice.folder);
        QCOMPARE(QFileInfo(choice.folder).permissions() & 0x0077, QFileDevice::Permissions()); // 0700
        QCOMPARE(chooseProgramFolder("/usr/bin", home).folder, choice.folder);                 // and again

        QVERIFY(writeFile(data.filePath("plain"), "not a folder"));
        const ProgramFolderChoice blocked = chooseProgramFolder("/usr/bin", data.filePath("plain"));
        QVERIFY(!blocked.error.isEmpty());
        QVERIFY(!findProgramFolder("/usr/bin", data.filePath("plain")).error.isEmpty());
        QCOMPARE(blocked.folder, data.filePath("plain") + "/kelvane");
    }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "TestProgramFolder.moc"
