#include "fakes/TestFiles.h"
#include "settings/MultiUserList.h"
#include "settings/SettingsLines.h"
#include "settings/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void splitsAtEveryKindOfLineEnd_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("crlf") << "a\r\nb\r\n" << QStringList{"a", "b"};
        QTest::newRow("no final end") << "a\r\nb" << QStringList{"a", "b"};
        QTest::newRow("bare lf and cr") << "a\nb\rc" << QStringList{"a", "b", "c"};
        QTest::newRow("empty lines kept") << "\r\n\r\nx\r\n" << QStringList{"", "", "x"};
        QTest::newRow("single blank line") << " \r\n" << QStringList{" "};
    }
    void splitsAtEveryKindOfLineEnd()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(splitLines(text), lines);
    }

    void savesCrLfInTheCodePageAndLoadsItBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("vkl.ini");
        const QStringList lines{QStringLiteral("名称###*****密码"), "1", ""};
        QVERIFY(saveTextLines(path, lines, CodePage::gbk()).ok());
        QCOMPARE(readFile(path), QByteArray("\xC3\xFB\xB3\xC6###*****\xC3\xDC\xC2\xEB\r\n1\r\n\r\n"));
        QCOMPARE(loadTextLines(path, CodePage::gbk()).lines, lines);
        QVERIFY(writeFile(path, "\xEF\xBB\xBF"
                                "ab###*****cd\r\n"));
        QCOMPARE(loadTextLines(path, CodePage::windows1252()).lines, QStringList{"ab###*****cd"});
        QCOMPARE(loadTextLines(dir.filePath("missing.ini"), CodePage::gbk()).state,
                 LoadedLines::State::Missing);
        QCOMPARE(loadTextLines(dir.path(), CodePage::gbk()).state, LoadedLines::State::Unreadable);
    }

    void ownerOnlyFilesAreMode0600()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("vkl.ini");
        QVERIFY(writeFile(path, "old\r\n"));
        QFile::setPermissions(path,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
        QVERIFY(saveTextLines(path, {"x"}, CodePage::windows1252(), true).ok());
        struct stat info
        {
        };
        QCOMPARE(stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
    }

    void failedWriteKeepsTheOldFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("vkldomain.ini");
        QVERIFY(writeFile(path, "a.kelvane.example$$$********\r\n"));
        QStringList many;
        for (int i = 0; i < 500; ++i)
            many << QStringLiteral("host%1.kelvane.example$$$********").arg(i);
        WriteResult result;
        {
            FileSizeLimit limit(1000);
            result = saveTextLines(path, many, CodePage::gbk());
        }
        QVERIFY(!result.ok());
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(readFile(path), QByteArray("a.kelvane.example$$$********\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"vkldomain.ini"}); // no temporary left
    }

    void unwritableFolderIsAnErrorNotACrash()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("plain"), "x"));
        const WriteResult result = saveTextLines(dir.filePath("plain/vkl.ini"), {"x"}, CodePage::gbk());
        QVERIFY(!result.ok());
    }

    void garbageLoadsWithoutCrashing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("yuming.ini");
        QByteArray garbage;
        for (int i = 0; i < 70000; ++i)
            garbage += char((i * 7919) % 256);
        QVERIFY(writeFile(path, garbage));
        const auto lines = loadTextLines(path, CodePage::big5());
        QCOMPARE(lines.state, LoadedLines::State::Loaded);
        QVERIFY(!lines.lines.isEmpty());

        QVERIFY(writeFile(path, QByteArray(300000, 'z'))); // one long line, no line end
        QCOMPARE(loadTextLines(path, CodePage::gbk()).lines.size(), 1);
        QCOMPARE(loadTextLines(path, CodePage::gbk()).lines.first().size(), 300000);
    }

    void hugeFilesAreReadOnlyUpToTheCap()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("vkldomain.ini");
        QVERIFY(writeFile(path, QByteArray(maxTextFileBytes + 4096, 'a')));
        QCOMPARE(loadTextLines(path, CodePage::windows1252()).lines.first().size(), maxTextFileBytes);
    }

    void settingsLinesDefaultAndPadding()
    {
        QCOMPARE(defaultSettingsLines(), (QStringList{" ", "0", "0", "0", "0", "0", "0"}));
        QStringList three{"abc###*****xyz", "1", "1"};
        padSettingsLines(three, 7);
        QCOMPARE(three, (QStringList{"abc###*****xyz", "1", "1", "0", "0", "0", "0"}));
        padSettingsLines(three, 5); // never shortens
        QCOMPARE(three.size(), 7);
    }

    void optionLinesAreOnOnlyWithExactlyOneAndOffOnlyWithExactlyZero()
    {
        const QStringList lines{"x", "1", " 1", "1 ", "0", "yes", ""};
        const bool expected[] = {false, true, false, false, false, false, false, false};
        for (int line = 0; line < 8; ++line) {
            QCOMPARE(isOn(lines, line), expected[line]);
            QCOMPARE(isOff(lines, line), line == 4);
        }
        QStringList short2{"x"};
        setOn(short2, 3, true);
        QCOMPARE(short2, (QStringList{"x", "0", "0", "1"}));
        setOn(short2, 3, false);
        QCOMPARE(short2.at(3), QString("0"));
    }

    void multiUserEntryDomain_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("domain");
        QTest::newRow("entry") << "a.kelvane.example$$$********"
                               << "a.kelvane.example";
        QTest::newRow("first separator") << "a$$$b$$$c"
                                         << "a";
        QTest::newRow("no separator") << "a.kelvane.example"
                                      << "";
        QTest::newRow("separator first") << "$$$********"
                                         << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void multiUserEntryDomain()
    {
        QFETCH(QString, line);
        QFETCH(QString, domain);
        QCOMPARE(MultiUserList::entryDomain(line), domain);
        if (!domain.isEmpty())
            QCOMPARE(MultiUserList::entryDomain(MultiUserList::entryLine(domain)), domain);
    }

    void multiUserDomainsCompareWithoutCase()
    {
        const QStringList lines{"no separator", "A.Kelvane.Example$$$********",
                                "a.kelvane.example$$$********"};
        QCOMPARE(MultiUserList::entryLine("b.example"), QString("b.example$$$********"));
        QCOMPARE(MultiUserList::indexOfDomain(lines, "a.kelvane.EXAMPLE"), 1);
        QCOMPARE(MultiUserList::indexOfDomain(lines, "c.example"), -1);
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "TestTextFile.moc"
