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
        QDir(dir.path()).mkpath(QStringLiteral("vkl.ini.dir123"));
        const QStringList stale{QStringLiteral("vkl.ini.AbC123"), QStringLiteral("config/Vizivuri.q0W9e8")};
        const QStringList kept{QStringLiteral("vkl.ini.Xy9zQ0"), // held open below
                               QStringLiteral("vkl.ini"),           QStringLiteral("vkl.ini.abc12"),
                               QStringLiteral("vkl.ini.abc1234"),   QStringLiteral("vkl.ini.ab-123"),
                               QStringLiteral("yuming.ini.AbC123"), QStringLiteral("config/Vizivuri")};
        for (const QString& name : stale + kept)
            QVERIFY(writeFile(dir.filePath(name), "vkl01=ab***\n"));
        QVERIFY(QFile::link(dir.filePath(stale[0]), dir.filePath(QStringLiteral("vkl.ini.link12"))));
        QFile held(dir.filePath(kept[0]));
        QVERIFY(held.open(QIODevice::ReadOnly));

        removeStaleTemporaries(
            {dir.filePath(QStringLiteral("vkl.ini")), dir.filePath(QStringLiteral("config/Vizivuri"))});

        for (const QString& name : stale)
            QVERIFY2(!QFile::exists(dir.filePath(name)), qPrintable(name));
        for (const QString& name : kept + QStringList{QStringLiteral("vkl.ini.dir123")})
            QVERIFY2(QFile::exists(dir.filePath(name)), qPrintable(name));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("vkl.ini.link12"))).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "TestAtomicFile.moc"
