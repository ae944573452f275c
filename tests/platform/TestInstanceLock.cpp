#include "platform/InstanceLock.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestInstanceLock : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_runtime;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        return env;
    }

    int tryLock(const QString& name) const
    {
        QProcess probe;
        probe.setProcessEnvironment(environment());
        probe.start(QStringLiteral(INSTANCE_LOCK_PROBE), {name, QStringLiteral("try")});
        if (!probe.waitForFinished(10000)) {
            probe.kill();
            probe.waitForFinished(1000);
            return -1;
        }
        return probe.exitCode();
    }

    bool startHolder(QProcess& holder, const QString& name) const
    {
        holder.setProcessEnvironment(environment());
        holder.start(QStringLiteral(INSTANCE_LOCK_PROBE), {name, QStringLiteral("hold")});
        return holder.waitForReadyRead(10000) && holder.readAll() == "locked\n";
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }

    void secondProcessIsRefusedWhileTheFirstRuns()
    {
        QProcess holder;
        QVERIFY(startHolder(holder, QStringLiteral("Kelvane2.0")));
        QCOMPARE(tryLock(QStringLiteral("Kelvane2.0")), 1);
        QCOMPARE(tryLock(QStringLiteral("RARA2.0")), 0);
        QCOMPARE(FileInstanceLock().acquire(QStringLiteral("Kelvane2.0")), LockOutcome::HeldElsewhere);

        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(holder.exitCode(), 0);
        QCOMPARE(tryLock(QStringLiteral("Kelvane2.0")), 0);
        QVERIFY(QFileInfo::exists(m_runtime.filePath(QStringLiteral("Kelvane2.0"))));
    }

    void oneNamePerSettingsFolder()
    {
        QTemporaryDir first;
        QTemporaryDir second;
        const QString name = FileInstanceLock::nameFor(first.path());
        QVERIFY(name.startsWith(QStringLiteral("kelvane-")));
        QVERIFY(!name.contains(u'/'));
        QVERIFY(QDir(first.path()).mkdir(QStringLiteral("sub")));
        QCOMPARE(FileInstanceLock::nameFor(first.path() + QStringLiteral("/sub/..")), name);
        QVERIFY(QFile::link(first.path(), second.filePath(QStringLiteral("link"))));
        QCOMPARE(FileInstanceLock::nameFor(second.filePath(QStringLiteral("link"))), name);
        QVERIFY(FileInstanceLock::nameFor(second.path()) != name);
    }

    void lockEndsWithTheObjectAndIsNotInherited()
    {
        auto first = std::make_unique<FileInstanceLock>();
        QCOMPARE(first->acquire(QStringLiteral("inherit")), LockOutcome::Taken);
        QCOMPARE(FileInstanceLock().acquire(QStringLiteral("inherit")), LockOutcome::HeldElsewhere);
        // A child started while the lock is held must not keep it alive.
        QProcess child;
        QVERIFY(startHolder(child, QStringLiteral("other")));
        first.reset();
        QCOMPARE(FileInstanceLock().acquire(QStringLiteral("inherit")), LockOutcome::Taken);
        child.closeWriteChannel();
        QVERIFY(child.waitForFinished(10000));
    }

    void withoutAUsableRuntimeFolderUsesAPrivateTemporaryFolder()
    {
        QTemporaryDir temporary;
        qputenv("TMPDIR", QFile::encodeName(temporary.path()));
        const QString privateFolder = FileInstanceLock::privateFolder();
        QVERIFY(privateFolder.startsWith(temporary.path()));
        for (const QByteArray& runtime : {QByteArray(), QByteArray("/nonexistent/runtime")}) {
            qputenv("XDG_RUNTIME_DIR", runtime);
            FileInstanceLock lock;
            QCOMPARE(lock.acquire(QStringLiteral("Kelvane2.0")), LockOutcome::Taken);
            QCOMPARE(FileInstanceLock().acquire(QStringLiteral("Kelvane2.0")), LockOutcome::HeldElsewhere);
            QVERIFY(QFileInfo(privateFolder + QStringLiteral("/Kelvane2.0")).isFile());
            QCOMPARE(QFile::permissions(privateFolder) & 0x0077, QFileDevice::Permissions());
        }

        // A folder of that name that is not ours (here a link to a shared one) is refused.
        QVERIFY(QDir(privateFolder).removeRecursively());
        QVERIFY(QFile::link(temporary.path(), privateFolder));
        QCOMPARE(FileInstanceLock().acquire(QStringLiteral("Kelvane2.0")), LockOutcome::Undetectable);
        qunsetenv("TMPDIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }
};

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "TestInstanceLock.moc"
