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
    QTemporaryDir m_settings;

    int tryLock(const QString& folder, bool withRuntimeFolder = true) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (withRuntimeFolder)
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        else
            env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(INSTANCE_LOCK_PROBE), {folder, QStringLiteral("try")});
        if (!probe.waitForFinished(10000)) {
            probe.kill();
            probe.waitForFinished(1000);
            return -1;
        }
        return probe.exitCode();
    }

    bool startHolder(QProcess& holder, const QString& folder) const
    {
        holder.start(QStringLiteral(INSTANCE_LOCK_PROBE), {folder, QStringLiteral("hold")});
        return holder.waitForReadyRead(10000) && holder.readAll() == "locked\n";
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        QVERIFY(m_settings.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }

    // A copy started without the runtime folder (su -, cron) finds the lock too.
    void secondProcessIsRefusedWhileTheFirstRuns()
    {
        QTemporaryDir other;
        QProcess holder;
        QVERIFY(startHolder(holder, m_settings.path()));
        QCOMPARE(tryLock(m_settings.path()), 1);
        QCOMPARE(tryLock(m_settings.path(), /*withRuntimeFolder=*/false), 1);
        QCOMPARE(tryLock(other.path()), 0);
        FileInstanceLock probe;
        QCOMPARE(probe.acquire(m_settings.path()), LockOutcome::HeldElsewhere);
        QCOMPARE(FileInstanceLock::recordOf(m_settings.path()), QByteArray("recorded"));
        QVERIFY(FileInstanceLock::isHeld(m_settings.path()));

        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(holder.exitCode(), 0);
        QCOMPARE(tryLock(m_settings.path()), 0);
        QVERIFY(QFileInfo::exists(m_settings.filePath(QStringLiteral("kelvane.lock"))));
        QVERIFY(!FileInstanceLock::isHeld(m_settings.path()));
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
        QTemporaryDir other;
        QCOMPARE(first->acquire(m_settings.path()), LockOutcome::Taken);
        QCOMPARE(FileInstanceLock().acquire(m_settings.path()), LockOutcome::HeldElsewhere);
        // A child started while the lock is held must not keep it alive.
        QProcess child;
        QVERIFY(startHolder(child, other.path()));
        first.reset();
        QCOMPARE(FileInstanceLock().acquire(m_settings.path()), LockOutcome::Taken);
        child.closeWriteChannel();
        QVERIFY(child.waitForFinished(10000));
    }

    // A settings folder that takes no file (here none at all) locks elsewhere.
    void withoutAUsableRuntimeFolderUsesAPrivateTemporaryFolder()
    {
        const QString settings = QStringLiteral("/nonexistent/settings");
        const QString name = FileInstanceLock::nameFor(settings);
        QTemporaryDir temporary;
        qputenv("TMPDIR", QFile::encodeName(temporary.path()));
        const QString privateFolder = FileInstanceLock::privateFolder();
        QVERIFY(privateFolder.startsWith(temporary.path()));
        for (const QByteArray& runtime : {QByteArray(), QByteArray("/nonexistent/runtime")}) {
            qputenv("XDG_RUNTIME_DIR", runtime);
            FileInstanceLock lock;
            QCOMPARE(lock.acquire(settings), LockOutcome::Taken);
            QCOMPARE(FileInstanceLock().acquire(settings), LockOutcome::HeldElsewhere);
            QVERIFY(FileInstanceLock::isHeld(settings));
            QVERIFY(QFileInfo(privateFolder + u'/' + name).isFile());
            QCOMPARE(QFile::permissions(privateFolder) & 0x0077, QFileDevice::Permissions());
        }

        // A folder of that name that is not ours (here a link to a shared one) is refused.
        QVERIFY(QDir(privateFolder).removeRecursively());
        QVERIFY(QFile::link(temporary.path(), privateFolder));
        QCOMPARE(FileInstanceLock().acquire(settings), LockOutcome::Undetectable);
        qunsetenv("TMPDIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }
};

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "TestInstanceLock.moc"
