#include "ui/ToolbarIcons.h"

#include <QImage>
#include <QPixmap>
#include <QTest>

class TestToolbarIcons : public QObject
{
    Q_OBJECT

private slots:
    void everyButtonHasAVisibleIcon_data()
    {
        QTest::addColumn<QString>("identifier");
        for (const char* name : {"ToolButton1", "ToolButton2", "ToolButton3", "ToolButton4", "tbCopy",
                                 "tbPaste", "ToolButton9", "tbDelete", "tbAttribute", "tbViewStyle"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void everyButtonHasAVisibleIcon()
    {
        QFETCH(QString, identifier);
        const QIcon icon = toolbarIcon(identifier);
        QVERIFY(!icon.isNull());
        const QPixmap pixmap = icon.pixmap(QSize(20, 20));
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.size(), QSize(20, 20));
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        bool anyOpaque = false;
        for (int y = 0; y < image.height() && !anyOpaque; ++y)
            for (int x = 0; x < image.width() && !anyOpaque; ++x)
                anyOpaque = qAlpha(image.pixel(x, y)) > 0;
        QVERIFY(anyOpaque);
    }

    void unknownNamesGiveAnEmptyIcon()
    {
        QVERIFY(toolbarIcon(QStringLiteral("tbNoSuchButton")).isNull());
        QVERIFY(toolbarIcon(QString()).isNull());
    }
};

QTEST_MAIN(TestToolbarIcons)
#include "TestToolbarIcons.moc"
