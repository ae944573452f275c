#include "fakes/FakePlatform.h"
#include "settings/SavedLogin.h"
#include "settings/SettingsLines.h"

#include <QTest>

using SavedLogin::Outcome;

namespace {

enum Cut
{
    Completed,
    KeyStoreWriteFails,
    SettingsWriteFails,
};

// The two files of a saved login; both writes are atomic, so a kill mid-write
// leaves that file as a failed write does, and a kill between them as a failed
// settings write does.
struct Disk
{
    FakeKeyStore store;
    QStringList file = defaultSettingsLines();
    int fileWrites = 0;

    WriteResult save(const QString& domain, const QString& password, Cut cut = Completed)
    {
        store.failWrites = cut == KeyStoreWriteFails;
        QStringList lines = file;
        const WriteResult result =
            SavedLogin::save(store, lines, domain, password, [&](const QStringList& newLines) {
                if (cut == SettingsWriteFails)
                    return WriteResult::failure(QStringLiteral("cannot write vkl.ini"));
                file = newLines;
                ++fileWrites;
                return WriteResult::success();
            });
        store.failWrites = false;
        return result;
    }

    SavedLogin::Restore restore() const { return SavedLogin::restore(store, file.value(0)); }
};

} // namespace

class TestSavedLogin : public QObject
{
    Q_OBJECT

private slots:
    void saveCutShortLeavesAWholeLogin_data()
    {
        QTest::addColumn<QString>("oldDomain"); // empty: nothing saved before
        QTest::addColumn<bool>("olderCopy");    // the old login was saved by a copy without digests
        QTest::addColumn<QList<int>>("cuts");   // one save of the new login each
        QTest::addColumn<QString>("expected");  // "old", "new" or "nothing"

        for (const bool older : {false, true}) {
            const QByteArray by = older ? "older copy's login, " : "";
            QTest::newRow(by + "completed")
                << "old.second.example" << older << QList<int>{Completed} << "new";
            QTest::newRow(by + "key store write fails")
                << "old.second.example" << older << QList<int>{KeyStoreWriteFails} << "old";
            QTest::newRow(by + "settings write fails")
                << "old.second.example" << older << QList<int>{SettingsWriteFails} << "old";
            QTest::newRow(by + "cut short twice")
                << "old.second.example" << older << QList<int>{SettingsWriteFails, SettingsWriteFails}
                << "old";
            QTest::newRow(by + "cut short, then completed")
                << "old.second.example" << older << QList<int>{SettingsWriteFails, Completed} << "new";
        }
        QTest::newRow("nothing saved before, settings write fails")
            << QString() << false << QList<int>{SettingsWriteFails} << "nothing";
        // The same line 0 for both: only the key store changes.
        QTest::newRow("same line 0, other prefixes")
            << "abw.second.example" << false << QList<int>{Completed} << "new";
    }

    void saveCutShortLeavesAWholeLogin()
    {
        QFETCH(QString, oldDomain);
        QFETCH(bool, olderCopy);
        QFETCH(QList<int>, cuts);
        QFETCH(QString, expected);
        Disk disk;
        if (olderCopy) {
            const SavedCredentials::Parts parts =
                SavedCredentials::split(oldDomain, QStringLiteral("oldpassword"));
            disk.store.setValue(SavedCredentials::domainPrefixName, parts.vkl01);
            disk.store.setValue(SavedCredentials::passwordPrefixName, parts.vkl02);
            disk.file[0] = parts.line0;
        } else if (!oldDomain.isEmpty()) {
            QVERIFY(disk.save(oldDomain, QStringLiteral("oldpassword")).ok());
        }
        for (const int cut : cuts)
            QCOMPARE(
                disk.save(QStringLiteral("new.second.example"), QStringLiteral("newpassword"), Cut(cut)).ok(),
                cut == Completed);

        const SavedLogin::Restore restored = disk.restore();
        if (expected == QLatin1String("nothing")) {
            QCOMPARE(restored.outcome, Outcome::Nothing);
            return;
        }
        const bool old = expected == QLatin1String("old");
        QCOMPARE(restored.outcome, Outcome::Restored);
        QCOMPARE(restored.credentials.domain, old ? oldDomain : QStringLiteral("new.second.example"));
        QCOMPARE(restored.credentials.password,
                 old ? QStringLiteral("oldpassword") : QStringLiteral("newpassword"));
    }

    void sameLoginAgainWritesNothing()
    {
        Disk disk;
        QVERIFY(disk.save(QStringLiteral("ab.example"), QStringLiteral("secret")).ok());
        QCOMPARE(disk.file.size(), SettingsLine::Count);
        QCOMPARE(disk.store.writes, 1); // every value at once
        QCOMPARE(disk.fileWrites, 1);
        QVERIFY(disk.save(QStringLiteral(" ab.example "), QStringLiteral("secret")).ok());
        QCOMPARE(disk.store.writes, 1);
        QCOMPARE(disk.fileWrites, 1);
    }

    void restoreTellsTheOutcomesApart()
    {
        Disk disk;
        QCOMPARE(disk.restore().outcome, Outcome::Nothing);
        QVERIFY(disk.save(QStringLiteral("ab.example"), QStringLiteral("secret")).ok());
        QCOMPARE(disk.restore().outcome, Outcome::Restored);

        disk.store.unreadable = QStringLiteral("cannot read");
        QCOMPARE(disk.restore().outcome, Outcome::Unreadable);
        disk.store.unreadable.clear();

        const QStringList saved = disk.file;
        disk.file[0] = QStringLiteral(".other###*****ret"); // a line no prefixes in the store belong to
        QCOMPARE(disk.restore().outcome, Outcome::CannotTell);
        disk.file = saved;

        disk.file[0] += QStringLiteral("  \t"); // an editor's trailing blanks
        QCOMPARE(disk.restore().outcome, Outcome::Restored);
        QCOMPARE(disk.restore().credentials.password, QStringLiteral("secret"));

        QVERIFY(disk.store.removeValue(SavedCredentials::passwordPrefixName).ok());
        QCOMPARE(disk.restore().outcome, Outcome::Incomplete);
    }

    // Older copies saved the login of empty fields: line 0 "###*****", the key
    // store's halves "***".
    void anEmptyDomainOrPasswordInTheFilesIsNoSavedLogin()
    {
        const std::pair<const char*, const char*> logins[] = {{"", ""}, {"ab.example", ""}, {"", "secret"}};
        for (const auto& [domain, password] : logins) {
            Disk disk;
            QVERIFY(disk.save(QString::fromLatin1(domain), QString::fromLatin1(password)).ok());
            QCOMPARE(disk.restore().outcome, Outcome::Nothing);
        }
    }
};

QTEST_GUILESS_MAIN(TestSavedLogin)
#include "TestSavedLogin.moc"
