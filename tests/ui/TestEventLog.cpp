#include "ui/EventLog.h"

#include <QScrollBar>
#include <QTest>

class TestEventLog : public QObject
{
    Q_OBJECT

private slots:
    void startsWithThreeStatusLines()
    {
        EventLog log;
        QCOMPARE(log.lineCount(), 3);
        QCOMPARE(log.line(0), QStringLiteral("准备登录"));
        QCOMPARE(log.line(1), QString());
        QCOMPARE(log.line(2), QString());
        QVERIFY(log.isReadOnly());
        QCOMPARE(log.layoutDirection(), Qt::RightToLeft);
    }

    void statusLinesAreOverwrittenAndHistoryAppended()
    {
        EventLog log;
        log.appendLine("history 1");
        log.setLine(0, "sent");
        log.setLine(2, "account");
        log.appendLine("history 2");
        log.setLine(1, "secondary");
        log.setLine(0, "sent again");
        QCOMPARE(log.lineCount(), 5);
        QCOMPARE(log.text(), QString("sent again\nsecondary\naccount\nhistory 1\nhistory 2"));
    }

    void overwritesKeepNoUndoHistory()
    {
        EventLog log;
        for (int i = 0; i < 1000; ++i)
            log.setLine(0, QString::number(i));
        QCOMPARE(log.document()->availableUndoSteps(), 0);
        QCOMPARE(log.line(0), QStringLiteral("999"));
    }

    void writingPastTheEndAddsEmptyLines()
    {
        EventLog log;
        log.setLine(4, "router");
        QCOMPARE(log.lineCount(), 5);
        QCOMPARE(log.line(3), QString());
        QCOMPARE(log.line(4), QString("router"));
        log.setLine(-1, "ignored");
        QCOMPARE(log.lineCount(), 5);
    }

    // Laying a line out loads its fonts: megabytes for a Chinese one, which a
    // program hidden in the notification area should not pay.
    void theBoxTakesItsLinesOnlyOnScreen()
    {
        QWidget window;
        auto* log = new EventLog(&window);
        log->setLine(1, "在线");
        log->appendLine("history");
        QVERIFY(log->toPlainText().isEmpty());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(log->toPlainText(), log->text());
        log->setLine(4, "shown");
        log->appendLine("more");
        QCOMPARE(log->toPlainText(), log->text());
        window.hide();
        log->setLine(0, "hidden");
        window.show();
        QCOMPARE(log->toPlainText(), QStringLiteral("hidden\n在线\n\nhistory\nshown\nmore"));
    }

    void longHistoryKeepsTheRightEdgeInView()
    {
        EventLog log;
        log.resize(273, 300);
        log.show();
        log.appendLine(QString(200, u'x'));
        QCoreApplication::processEvents();
        QVERIFY(log.horizontalScrollBar()->maximum() > 0);
        QCOMPARE(log.horizontalScrollBar()->value(), log.horizontalScrollBar()->maximum());
    }
};

QTEST_MAIN(TestEventLog)
#include "TestEventLog.moc"
