#include "WindowFixture.h"

#include "fakes/SavedLoginFiles.h"

#include "ui/EventLog.h"
#include "ui/StatusPanels.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTextBlock>

// The primary window shows the engine's state and hands the user's actions to
// it; the rules themselves are the engine's (tests/registration).
class TestPrimaryWindow : public QObject
{
    Q_OBJECT

private slots:
    void theWindowShowsTheEngine()
    {
        WindowFixture f;
        PrimaryWindow window(f);
        TForm1& form = window.form;
        window.engine.eventLog().setLine(1, "line one");
        window.engine.eventLog().appendLine("history");
        window.engine.eventLog().setStatus("status");
        QCOMPARE(control<EventLog>(form, "dlrz").line(1), QString("line one"));
        QCOMPARE(control<EventLog>(form, "dlrz").line(3), QString("history"));
        QCOMPARE(control<StatusPanels>(form, "StatusBar1").panelText(0), QString("status"));

        // The password is the one this user's files keep for the domain.
        QVERIFY(saveLoginFiles(f.fakes.keyStore, f.folder.path(), "b.kelvane.example", "pw"));
        window.engine.primary().setCredentials("b.kelvane.example", "pw");
        QCOMPARE(control<QLineEdit>(form, "nameedit").text(), QString("b.kelvane.example"));
        QCOMPARE(control<QLineEdit>(form, "passedit").text(), QString("pw"));
        window.engine.primary().sendLogin();
        QCOMPARE(control<QLabel>(form, "Label5").text(), f.fakes.localAddress.address);
        QCOMPARE(control<QLabel>(form, "Label7").textFormat(), Qt::PlainText); // addresses from the network

        window.state.setMultiUserLines({"m.kelvane.example$$$********"});
        QCOMPARE(control<QPlainTextEdit>(form, "Memo2").toPlainText(),
                 QString("m.kelvane.example$$$********"));
    }

    void theWindowForwardsTheUsersActions()
    {
        WindowFixture f;
        PrimaryWindow window(f);
        TForm1& form = window.form;
        auto* stack = form.findChild<QStackedWidget*>();
        form.Label8Click();
        QCOMPARE(stack->currentWidget(), &control<QWidget>(form, "Panel8"));
        control<QLineEdit>(form, "nameedit").setText(" a.kelvane.example ");
        control<QLineEdit>(form, "passedit").setText("secret");
        control<QPushButton>(form, "Button4").click();
        QCOMPARE(stack->currentWidget(), &control<QWidget>(form, "dlrz"));
        QCOMPARE(window.engine.primary().domain(), QString("a.kelvane.example"));
        QCOMPARE(window.engine.primary().loginRetryTimer.interval(), 10);

        control<QLineEdit>(form, "Edit2").setText("a.example");
        control<QLineEdit>(form, "Edit3").setText(" pw1 ");
        form.Label16Click();
        QCOMPARE(control<QLineEdit>(form, "Edit3").text(), QString("pw1"));
        control<QLineEdit>(form, "Edit2").setText("b.example");
        form.Label16Click();
        auto& list = control<QPlainTextEdit>(form, "Memo2");
        list.setTextCursor(QTextCursor(list.document()->findBlockByNumber(1)));
        form.Label15Click();
        QCOMPARE(window.state.multiUserLines(), QStringList{"a.example$$$********"});
    }

    // Within the screen with room for the title bar; run also at scale 2 (CMakeLists.txt).
    void theWindowAndItsTitleBarStayOnScreen()
    {
        WindowFixture f;
        PrimaryWindow window(f);
        window.form.show();
        const QRect available = window.form.screen()->availableGeometry();
        QVERIFY(available.contains(window.form.frameGeometry()) &&
                window.form.geometry().top() > available.top());
    }

    // However narrow the window, the address band's controls lie side by
    // side within it, the address box's drop-down button uncovered.
    void theAddressBandsControlsNeverOverlap()
    {
        WindowFixture f;
        PrimaryWindow window(f);
        window.form.show();
        QWidget* band = control<QWidget>(window.form, "ComboBox1").parentWidget();
        int right = -1;
        for (QWidget* item : band->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY(item->geometry().left() > right && band->rect().contains(item->geometry()));
            right = item->geometry().right();
        }
    }
};

QTEST_MAIN(TestPrimaryWindow)
#include "TestPrimaryWindow.moc"
