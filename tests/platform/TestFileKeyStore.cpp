#include "fakes/TestFiles.h"
#include "platform/KeyStore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestFileKeyStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("config/Vizivuri"));
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void namesIgnoreAsciiCaseOnly()
    {
        FileKeyStore store(m_path);
        QVERIFY(!store.value(QStringLiteral("vkl01")));
        QVERIFY(store.setValue(QStringLiteral("VKL01"), QStringLiteral("ab***")).ok());
        QCOMPARE(store.value(QStringLiteral("vkl01")), QStringLiteral("ab***"));
        QVERIFY(store.setValue(QStringLiteral("Vkl01"), QStringLiteral("cd***")).ok());
        QCOMPARE(FileKeyStore(m_path).value(QStringLiteral("vKL01")), QStringLiteral("cd***"));
        QCOMPARE(readFile(m_path).count("VKL01="), 1); // the stored spelling stays
        QCOMPARE(readFile(m_path).count("=cd***"), 1);

        QVERIFY(store.setValue(QStringLiteral("É"), QStringLiteral("1")).ok());
        QVERIFY(!store.value(QStringLiteral("é")));
    }

    void anyCharacterRoundTrips()
    {
        const QStringList texts{QString(),
                                QStringLiteral("a=b=c"),
                                QStringLiteral("%41%"),
                                QStringLiteral("#not a comment"),
                                QStringLiteral("two\nlines\r\n"),
                                QStringLiteral(" tab\t, blanks "),
                                QStringLiteral("动态域名 登錄"),
                                QStringLiteral("\x7f\x01 end"),
                                QStringLiteral("x😀y")};
        FileKeyStore store(m_path);
        for (const QString& text : texts)
            QVERIFY(store.setValue(text, text + QStringLiteral("|v")).ok());
        FileKeyStore other(m_path);
        for (const QString& text : texts)
            QCOMPARE(other.value(text), text + QStringLiteral("|v"));
        // One header of two comment lines, then one line per value.
        QCOMPARE(readFile(m_path).count('\n'), 2 + texts.size());
    }

    void removeDeletesOnlyThatValue()
    {
        FileKeyStore store(m_path);
        QVERIFY(store.removeValue(QStringLiteral("missing")).ok());
        QVERIFY(store.setValue(QStringLiteral("a.example.com"), QStringLiteral("1")).ok());
        QVERIFY(store.setValue(QStringLiteral("vkl02"), QStringLiteral("2")).ok());
        QVERIFY(store.removeValue(QStringLiteral("A.EXAMPLE.com")).ok());
        QVERIFY(!store.value(QStringLiteral("a.example.com")));
        QCOMPARE(store.value(QStringLiteral("vkl02")), QStringLiteral("2"));
    }

    void fileIsPrivateEvenIfItWasNot()
    {
        QDir().mkpath(QFileInfo(m_path).path());
        QVERIFY(writeFile(m_path, "old=1\n"));
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        FileKeyStore store(m_path);
        QVERIFY(store.setValue(QStringLiteral("new"), QStringLiteral("2")).ok());
        struct stat info
        {
        };
        QCOMPARE(::stat(QFile::encodeName(m_path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0600));
        QCOMPARE(store.value(QStringLiteral("old")), QStringLiteral("1"));
    }

    void failedRewriteKeepsOldContentAndLeavesNoTemporary()
    {
        FileKeyStore store(m_path);
        QVERIFY(store.setValue(QStringLiteral("vkl01"), QStringLiteral("ab***")).ok());
        const QByteArray before = readFile(m_path);

        // The write dies half-way (file size limit: root is not exempt from it).
        WriteResult result;
        {
            FileSizeLimit limit(4096);
            result = store.setValue(QStringLiteral("big"), QString(100000, QLatin1Char('x')));
        }

        QVERIFY(!result.ok());
        QVERIFY2(result.error.startsWith(QStringLiteral("Failed to set data for 'big': ")),
                 qPrintable(result.error));
        QCOMPARE(readFile(m_path), before);
        QCOMPARE(QDir(QFileInfo(m_path).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Vizivuri")});
    }

    void unwritableLocationGivesErrorText()
    {
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("file")), "x"));
        FileKeyStore store(m_dir.filePath(QStringLiteral("file/Vizivuri")));
        QVERIFY(!store.value(QStringLiteral("a")));
        const WriteResult set = store.setValue(QStringLiteral("vkl02"), QStringLiteral("1"));
        QVERIFY2(set.error.startsWith(QStringLiteral("Failed to set data for 'vkl02': ")),
                 qPrintable(set.error));

        // A store that exists but cannot be read is never replaced blindly.
        QDir().mkpath(m_path);
        FileKeyStore folder(m_path);
        QVERIFY(!folder.setValue(QStringLiteral("a"), QStringLiteral("1")).ok());
        QVERIFY(!folder.removeValue(QStringLiteral("a")).error.isEmpty());
        QVERIFY(QFileInfo(m_path).isDir());
    }

    // What it does not understand or change keeps its bytes: random garbage, a
    // comment, a line without "=", invalid UTF-8, a shadowed duplicate, CR LF.
    void rewriteChangesOnlyItsOwnLines()
    {
        QDir().mkpath(QFileInfo(m_path).path());
        QByteArray garbage(20000, '\0');
        QRandomGenerator random(7);
        for (char& c : garbage)
            c = char(random.bounded(256));
        const QByteArray kept = garbage + "\n#c=2\nno equals\nbad=\xC3\x28\xFF\x80\n";
        QVERIFY(writeFile(m_path, kept + "good=1%0A%zz%4\r\nGOOD=3\nlast=x"));
        FileKeyStore store(m_path);
        QCOMPARE(store.value(QStringLiteral("good")), QStringLiteral("1\n%zz%4"));
        QVERIFY(!store.value(QStringLiteral("#c")));
        QVERIFY(store.value(QStringLiteral("bad"))->contains(QChar::ReplacementCharacter));

        QVERIFY(store.setValues({{QStringLiteral("Good"), QStringLiteral("=")}, {QStringLiteral("new"), {}}})
                    .ok());
        QCOMPARE(readFile(m_path), kept + "good=%3D\r\nGOOD=3\nlast=x\nnew=\n");
        QVERIFY(store.removeValue(QStringLiteral("GOOD")).ok()); // the duplicate too, or it would come back
        QCOMPARE(readFile(m_path), kept + "last=x\nnew=\n");
    }

    void writesOnlyWhenAValueChanges()
    {
        FileKeyStore store(m_path);
        const auto inode = [&] { // a rewrite is a new file
            struct stat info
            {
            };
            ::stat(QFile::encodeName(m_path).constData(), &info);
            return info.st_ino;
        };
        QVERIFY(store.removeValue(QStringLiteral("a")).ok());
        QVERIFY(!QFileInfo::exists(m_path));
        QVERIFY(
            store.setValues({{QStringLiteral("a"), QStringLiteral("1")}, {QStringLiteral("b"), {}}}).ok());
        const auto written = inode();
        QVERIFY(store.setValue(QStringLiteral("A"), QStringLiteral("1")).ok());
        QVERIFY(
            store.setValues({{QStringLiteral("b"), {}}, {QStringLiteral("a"), QStringLiteral("1")}}).ok());
        QVERIFY(store.removeValue(QStringLiteral("c")).ok());
        QCOMPARE(inode(), written);
        QVERIFY(store
                    .setValues({{QStringLiteral("a"), QStringLiteral("1")},
                                {QStringLiteral("b"), QStringLiteral("2")}})
                    .ok());
        QVERIFY(inode() != written);
    }

    void unreadableStoreSaysWhy()
    {
        QVERIFY(FileKeyStore(m_path).unreadableReason().isEmpty()); // missing: empty, readable
        QDir().mkpath(m_path);
        QVERIFY(FileKeyStore(m_path).unreadableReason().endsWith(QStringLiteral(" is a folder")));
        QDir().rmdir(m_path);
        QVERIFY(writeFile(m_path, "vkl01=ab***\n"));
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        FileKeyStore store(m_path);
        {
            UnreadableFiles unreadable(QFileInfo(m_path).path(), {m_path});
            QVERIFY(store.unreadableReason().startsWith(QStringLiteral("cannot read ")));
            QVERIFY(!store.value(QStringLiteral("vkl01")));
            QVERIFY(!store.setValues({{QStringLiteral("vkl01"), QStringLiteral("cd***")}}).ok());
        }
        QCOMPARE(readFile(m_path), QByteArray("vkl01=ab***\n"));
    }

    void aPortableCopyKeepsItsStoreBesideItsSettingsAnInstalledOneInXdgConfigHome()
    {
        QCOMPARE(FileKeyStore::pathFor({QStringLiteral("/opt/copy"), false, {}}),
                 QStringLiteral("/opt/copy/Vizivuri"));
        const ProgramFolderChoice installed{QStringLiteral("/home/u/.local/share/kelvane"), true, {}};
        qputenv("XDG_CONFIG_HOME", "/somewhere/config");
        QCOMPARE(FileKeyStore::pathFor(installed), QStringLiteral("/somewhere/config/Vizivuri"));
        qputenv("XDG_CONFIG_HOME", "relative/is/ignored");
        QCOMPARE(FileKeyStore::pathFor(installed), QDir::homePath() + QStringLiteral("/.config/Vizivuri"));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(FileKeyStore::pathFor(installed), QDir::homePath() + QStringLiteral("/.config/Vizivuri"));
    }
};

QTEST_GUILESS_MAIN(TestFileKeyStore)
#include "TestFileKeyStore.moc"
