#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>
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
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "TestProgramFolder.moc"
