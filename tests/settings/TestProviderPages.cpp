#include "settings/ProviderPages.h"

#include <QTest>

using namespace ProviderPages;

class TestProviderPages : public QObject
{
    Q_OBJECT

private slots:
    void intervalFromTheTitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("intervalMs"); // -1: unchanged
        QTest::newRow("30 s") << "ttt30end" << 30000;
        QTest::newRow("inside a title") << "Ads ttt 45 end here" << 45000;
        QTest::newRow("zero stops") << "ttt0end" << 0;
        QTest::newRow("one day") << "ttt86400end" << 86400000;
        QTest::newRow("over a day") << "ttt86401end" << -1;
        QTest::newRow("negative") << "ttt-5end" << -1;
        QTest::newRow("overflowing") << "ttt99999999999end" << -1;
        QTest::newRow("ttt twice") << "ttt5tttend" << -1;
        QTest::newRow("end first") << "end ttt5" << -1;
        QTest::newRow("no number") << "tttend" << -1;
        QTest::newRow("no ttt") << "30end" << -1;
        QTest::newRow("1 MB") << QString(1 << 20, u'7').prepend("ttt").append("end") << -1;
    }

    void intervalFromTheTitle()
    {
        QFETCH(QString, title);
        QFETCH(int, intervalMs);
        QCOMPARE(intervalFromTitle(title).value_or(-1), intervalMs);
    }

    void countersWrapAfter5000()
    {
        QCOMPARE(nextCounter(0), 1);
        QCOMPARE(nextCounter(4999), 5000);
        QCOMPARE(nextCounter(5000), 0);
        QCOMPARE(mainAdvertisement(5000),
                 QString("http://www.kelvane.example/guanggao/ddns2011.asp?gg=5000"));
        QCOMPARE(secondAdvertisement(0), QString("http://ads.example.net/aa/ddns2011.asp?gg=0"));
        QCOMPARE(zoneListDownload(), QString("http://www.kelvane.example/vkl/yuming.txt"));
        QCOMPARE(bannerDownload(), QString("http://www.kelvane.example/vkl/ggw.gif"));
    }

    void onlyWebAddressesOpen()
    {
        for (const char* good :
             {"http://www.kelvane.example", "https://a.example/x?y=1", " http://a.example "})
            QVERIFY2(isWebAddress(QString::fromLatin1(good)), good);
        for (const char* bad : {"file:///etc/passwd", "javascript:alert(1)", "www.kelvane.example", "http://",
                                "", "ftp://a.example"})
            QVERIFY2(!isWebAddress(QString::fromLatin1(bad)), bad);
    }
};

QTEST_GUILESS_MAIN(TestProviderPages)
#include "TestProviderPages.moc"
