#include "platform/SystemLanguage.h"

#include <QTest>

class TestSystemLanguage : public QObject
{
    Q_OBJECT

private slots:
    void identifierFollowsChineseTerritory_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("id");
        QTest::newRow("zh_CN") << "zh_CN" << 2052;
        QTest::newRow("zh alone") << "zh" << 2052;
        QTest::newRow("zh_TW") << "zh_TW" << 1028;
        QTest::newRow("zh_Hant_TW") << "zh_Hant_TW" << 1028;
        QTest::newRow("zh_HK") << "zh_HK" << 3076;
        QTest::newRow("zh_SG") << "zh_SG" << 1033;
        QTest::newRow("zh_MO") << "zh_MO" << 1033;
        QTest::newRow("en_US") << "en_US" << 1033;
        QTest::newRow("en_HK is not Chinese") << "en_HK" << 1033;
        QTest::newRow("Cantonese in Hong Kong") << "yue_HK" << 1033;
        QTest::newRow("C") << "C" << 1033;
    }

    void identifierFollowsChineseTerritory()
    {
        QFETCH(QString, locale);
        QFETCH(int, id);
        QCOMPARE(languageIdForLocale(QLocale(locale)), id);
    }

    void systemLanguageReadsTheProcessLocale()
    {
        QCOMPARE(LocaleSystemLanguage().languageId(), languageIdForLocale(QLocale::system()));
    }
};

QTEST_GUILESS_MAIN(TestSystemLanguage)
#include "TestSystemLanguage.moc"
