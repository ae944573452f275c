#include "ui/ScreenFit.h"

#include <QTest>

class TestScreenFit : public QObject
{
    Q_OBJECT

private slots:
    void windowsStayWithinTheAvailableArea_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("wanted");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QPoint>("at"); // null: centred
        QTest::addColumn<QRect>("place");
        const QPoint centred;
        // 1280 x 800 at a scale factor of 2 is 640 x 400 for the windows.
        QTest::newRow("scale 2, shrunk")
            << QRect(0, 0, 640, 400) << QSize(912, 605) << QMargins() << centred << QRect(0, 0, 640, 400);
        QTest::newRow("scale 2, framed") << QRect(0, 0, 640, 400) << QSize(912, 605) << QMargins(1, 24, 1, 1)
                                         << centred << QRect(1, 24, 638, 375);
        QTest::newRow("room, centred") << QRect(0, 0, 1280, 1024) << QSize(912, 605) << QMargins() << centred
                                       << QRect(184, 209, 912, 605);
        QTest::newRow("panel on the left, moved in")
            << QRect(48, 0, 1232, 800) << QSize(570, 283) << QMargins() << QPoint(0, 600)
            << QRect(48, 517, 570, 283);
        QTest::newRow("a place inside is kept")
            << QRect(0, 0, 1280, 800) << QSize(570, 283) << QMargins(1, 24, 1, 1) << QPoint(100, 100)
            << QRect(100, 100, 570, 283);
    }
    void windowsStayWithinTheAvailableArea()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, wanted);
        QFETCH(QMargins, frame);
        QFETCH(QPoint, at);
        QFETCH(QRect, place);
        QCOMPARE(fitOnScreen(available, wanted, frame, at.isNull() ? std::nullopt : std::optional(at)),
                 place);
    }

    // 1366 x 768 at 1.5 is 910.67 x 512 units: a window filling 911 of them
    // would put its frame's last device pixel beside the screen.
    void fractionalScalesKeepAUnitFree()
    {
        QCOMPARE(safeArea(QRect(0, 0, 911, 512), 1.5), QRect(1, 1, 909, 510));
        QCOMPARE(safeArea(QRect(0, 16, 640, 384), 2.0), QRect(0, 16, 640, 384));
        QCOMPARE(safeArea(QRect(0, 0, 1366, 768), 1.0), QRect(0, 0, 1366, 768));
    }
};

QTEST_GUILESS_MAIN(TestScreenFit)
#include "TestScreenFit.moc"
