#include "platform/CodePage.h"
#include "platform/SystemLanguage.h"

#include <QRandomGenerator>
#include <QTest>

class TestCodePage : public QObject
{
    Q_OBJECT

private slots:
    void codePageFollowsLanguage()
    {
        QCOMPARE(CodePage::forLanguage(LanguageId::SimplifiedChinese).name(), "CP936");
        QCOMPARE(CodePage::forLanguage(LanguageId::TraditionalChineseTaiwan).name(), "CP950");
        QCOMPARE(CodePage::forLanguage(LanguageId::TraditionalChineseHongKong).name(), "CP950");
        QCOMPARE(CodePage::forLanguage(LanguageId::Other).name(), "CP1252");
        QCOMPARE(CodePage::forLanguage(1041).name(), "CP1252");
    }

    void chineseRoundTripsExactly()
    {
        const QString simplified = QStringLiteral("动态域名解析");
        const QByteArray gbk("\xB6\xAF\xCC\xAC\xD3\xF2\xC3\xFB\xBD\xE2\xCE\xF6");
        QCOMPARE(CodePage::gbk().encode(simplified), gbk);
        QCOMPARE(CodePage::gbk().decode(gbk), simplified);

        // The last trail byte is 0x5C, a backslash when read alone.
        const QString traditional = QStringLiteral("登錄成功");
        const QByteArray big5("\xB5\x6E\xBF\xFD\xA6\xA8\xA5\x5C");
        QCOMPARE(CodePage::big5().encode(traditional), big5);
        QCOMPARE(CodePage::big5().decode(big5), traditional);

        const QByteArray mixed = CodePage::gbk().encode(QStringLiteral("main.例子.cn&&&ip"));
        QVERIFY(mixed.startsWith("main.") && mixed.endsWith(".cn&&&ip"));
    }

    void windows1252EuroAndAccents()
    {
        const CodePage page = CodePage::windows1252();
        QCOMPARE(page.encode(QStringLiteral("€ é")), QByteArray("\x80 \xE9"));
        QCOMPARE(page.decode("\x80\xE9"), QStringLiteral("€é"));
    }

    void windows1252RoundTripsEveryByte()
    {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const CodePage page = CodePage::windows1252();
        QCOMPARE(page.encode(page.decode(all)), all);
        QCOMPARE(page.decode("\x81\x8D\x8F\x90\x9D"), QStringLiteral("\u0081\u008D\u008F\u0090\u009D"));
    }

    void unmappableCharacterBecomesQuestionMark()
    {
        QCOMPARE(CodePage::windows1252().encode(QStringLiteral("a动b")), QByteArray("a?b"));
        QCOMPARE(CodePage::big5().encode(QStringLiteral("动态")), QByteArray("??"));
        // A character outside the BMP is one "?", not one per UTF-16 unit.
        QCOMPARE(CodePage::gbk().encode(QStringLiteral("x😀y")), QByteArray("x?y"));
    }

    void invalidBytesDecodeToReplacementCharacter()
    {
        QCOMPARE(CodePage::gbk().decode("ab\xB6"), QStringLiteral("ab\uFFFD"));
        QCOMPARE(CodePage::big5().decode(QByteArray("a\0b", 3)), QString::fromUtf16(u"a\0b", 3));
        QCOMPARE(CodePage::gbk().decode(QByteArray()), QString());
    }

    void garbageAndLargeInputs()
    {
        QByteArray garbage(256 * 1024, '\0');
        QRandomGenerator random(42);
        for (char& c : garbage)
            c = char(random.bounded(256));
        for (const CodePage& page : {CodePage::gbk(), CodePage::big5(), CodePage::windows1252()}) {
            const QString text = page.decode(garbage);
            QVERIFY(!text.isEmpty());
            QVERIFY(text.size() <= garbage.size());
            QVERIFY(!page.encode(text).isEmpty());
        }
        // Many conversion chunks, with multibyte characters across their borders.
        const QString large = QStringLiteral("a动态域名解析").repeated(100000);
        QCOMPARE(CodePage::gbk().decode(CodePage::gbk().encode(large)), large);
    }
};

QTEST_GUILESS_MAIN(TestCodePage)
#include "TestCodePage.moc"
