#include "platform/InstanceLock.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

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
        QVERIFY(!FileInstanceLock().acquire(QStringLiteral("Kelvane2.0")));

        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(holder.exitCode(), 0);
        QCOMPARE(tryLock(QStringLiteral("Kelvane2.0")), 0);
        QVERIFY(QFileInfo::exists(m_runtime.filePath(QStringLiteral("Kelvane2.0"))));
    }

    void lockEndsWithTheObjectAndIsNotInherited()
    {
        auto first = std::make_unique<FileInstanceLock>();
        QVERIFY(first->acquire(QStringLiteral("inherit")));
        QVERIFY(!FileInstanceLock().acquire(QStringLiteral("inherit")));
        // A child started while the lock is held must not keep it alive.
        QProcess child;
        QVERIFY(startHolder(child, QStringLiteral("other")));
        first.reset();
        QVERIFY(FileInstanceLock().acquire(QStringLiteral("inherit")));
        child.closeWriteChannel();
        QVERIFY(child.waitForFinished(10000));
    }

    void withoutRuntimeFolderUsesTmp()
    {
        const QString name =
            QStringLiteral("kelvane-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        qunsetenv("XDG_RUNTIME_DIR");
        {
            FileInstanceLock lock;
            QVERIFY(lock.acquire(name));
            QVERIFY(QFileInfo(QStringLiteral("/tmp/") + name).isFile());
        }
        QFile::remove(QStringLiteral("/tmp/") + name);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }
};

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "TestInstanceLock.moc"
