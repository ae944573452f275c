#include "platform/PageText.h"

#include <QTest>

class TestPageText : public QObject
{
    Q_OBJECT

private slots:
    void pageIsDecodedInTheCharsetItDeclares_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("text");
        const QByteArray gbk("\xd3\xf2\xc3\xfb"); // 域名
        const QByteArray big5("\xba\xf4\xb0\xec\xa6\x57\xba\xd9");
        const QString traditional = QStringLiteral("網域名稱");
        QTest::newRow("GBK by header") << QByteArray("text/html; charset=GBK") << gbk << "CP1252"
                                       << "域名";
        QTest::newRow("GB2312 by meta http-equiv")
            << QByteArray("text/html")
            << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">" + gbk << "CP1252"
            << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">域名";
        QTest::newRow("GB18030 by meta charset")
            << QByteArray() << QByteArray("<META CHARSET='GB18030'>\x95\x32\x82\x36") << "CP1252"
            << QString("<META CHARSET='GB18030'>") + QString::fromUcs4(U"\U00020000", 1);
        QTest::newRow("Big5 by header, quoted")
            << QByteArray("text/html;charset=\"big5\"") << big5 << "CP936" << traditional;
        QTest::newRow("UTF-8 by meta")
            << QByteArray() << QByteArray("<meta charset=utf-8>\xe5\x9f\x9f\xe5\x90\x8d") << "CP936"
            << "<meta charset=utf-8>域名";
        QTest::newRow("the header before the meta tag")
            << QByteArray("text/html; charset=big5") << "<meta charset=gbk>" + big5 << "CP936"
            << "<meta charset=gbk>" + traditional;
        QTest::newRow("undeclared UTF-8") << QByteArray() << QByteArray("\xe5\x9f\x9f\xe5\x90\x8d") << "CP936"
                                          << "域名";
        QTest::newRow("undeclared GBK on a GBK system") << QByteArray() << gbk << "CP936"
                                                        << "域名";
        QTest::newRow("unknown charset, the system's")
            << QByteArray("text/html; charset=koi8-r") << QByteArray("caf\xe9") << "CP1252"
            << "café";
        QTest::newRow("a meta tag far down is not looked for")
            << QByteArray() << QByteArray(5000, ' ') + "<meta charset=big5>" + gbk << "CP936"
            << QString(5000, u' ') + "<meta charset=big5>域名";
    }
    void pageIsDecodedInTheCharsetItDeclares()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, page);
        QFETCH(QString, fallback);
        QFETCH(QString, text);
        const CodePage system = fallback == u"CP936" ? CodePage::gbk() : CodePage::windows1252();
        QCOMPARE(PageText::decode(page, contentType, system), text);
    }

    void imagesBecomeTheirAltTexts_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("shown");
        QTest::newRow("double quotes") << "a<img src=\"/b.gif\" alt=\"横幅\">c"
                                       << "a横幅c";
        QTest::newRow("single quotes, capitals") << "<IMG SRC='/b.gif' ALT='x<y'>"
                                                 << "x&lt;y";
        QTest::newRow("unquoted") << "<img alt=Banner src=/b.gif>"
                                  << "Banner";
        QTest::newRow("no alt text") << "<p><img src=\"/b.gif\"></p>"
                                     << "<p></p>";
        QTest::newRow("not an image") << "<imgx alt=\"no\">"
                                      << "<imgx alt=\"no\">";
        QTest::newRow("never closed") << "text <img alt=\"a\""
                                      << "text <img alt=\"a\"";
    }
    void imagesBecomeTheirAltTexts()
    {
        QFETCH(QString, html);
        QFETCH(QString, shown);
        QCOMPARE(PageText::withAltTexts(html), shown);
    }
};

QTEST_GUILESS_MAIN(TestPageText)
#include "TestPageText.moc"
