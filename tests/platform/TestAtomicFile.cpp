#include "fakes/TestFiles.h"
#include "platform/AtomicFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestAtomicFile : public QObject
{
    Q_OBJECT

private slots:
    void staleTemporariesGoOthersStay()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir(dir.path()).mkpath(QStringLiteral("config"));
        QDir(dir.path()).mkpath(QStringLiteral("vkl.ini.kelvane-tmp-dir123"));
        const QStringList stale{QStringLiteral("vkl.ini.kelvane-tmp-AbC123"),
                                QStringLiteral("config/Vizivuri.kelvane-tmp-q0W9e8")};
        // The user's backups, whatever their suffix, and a temporary file still held open.
        const QStringList kept{QStringLiteral("vkl.ini.kelvane-tmp-Xy9zQ0"), // held open below
                               QStringLiteral("vkl.ini"),
                               QStringLiteral("vkl.ini.backup"),
                               QStringLiteral("vkl.ini.old123"),
                               QStringLiteral("config/Vizivuri.2024Q1"),
                               QStringLiteral("vkl.ini.kelvane-tmp-abc12"),
                               QStringLiteral("vkl.ini.kelvane-tmp-ab-123"),
                               QStringLiteral("yuming.ini.kelvane-tmp-AbC123"),
                               QStringLiteral("config/Vizivuri")};
        for (const QString& name : stale + kept)
            QVERIFY(writeFile(dir.filePath(name), "vkl01=ab***\n"));
        QVERIFY(
            QFile::link(dir.filePath(stale[0]), dir.filePath(QStringLiteral("vkl.ini.kelvane-tmp-link12"))));
        QFile held(dir.filePath(kept[0]));
        QVERIFY(held.open(QIODevice::ReadOnly));

        removeStaleTemporaries(
            {dir.filePath(QStringLiteral("vkl.ini")), dir.filePath(QStringLiteral("config/Vizivuri"))});

        for (const QString& name : stale)
            QVERIFY2(!QFile::exists(dir.filePath(name)), qPrintable(name));
        for (const QString& name : kept + QStringList{QStringLiteral("vkl.ini.kelvane-tmp-dir123")})
            QVERIFY2(QFile::exists(dir.filePath(name)), qPrintable(name));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("vkl.ini.kelvane-tmp-link12"))).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "TestAtomicFile.moc"
