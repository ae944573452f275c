#include "WindowFixture.h"

#include "ProgramWindows.h"
#include "ui/ClickableLabel.h"
#include "ui/EventLog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void keysActAsTheirButtonsAndLinks()
    {
        WindowFixture f;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        TForm1& form = windows.Form1;
        TForm111& mapping = windows.Form111;
        int logins = 0;
        connect(&control<QPushButton>(form, "Button4"), &QPushButton::clicked, this, [&logins] { ++logins; });
        control<QComboBox>(form, "ComboBox1").setEditText("https://a.example/page");
        const struct
        {
            const char* what;
            QWidget* window;
            QWidget* target;
            Qt::Key key;
            std::function<bool()> done;
        } rows[] = {
            {"Enter in the domain field presses 登录", &form, &control<QLineEdit>(form, "nameedit"),
             Qt::Key_Return, [&] { return logins == 1; }},
            {"Enter in the password field presses 登录", &form, &control<QLineEdit>(form, "passedit"),
             Qt::Key_Enter, [&] { return logins == 2; }},
            {"Enter in the address box presses 转到", &form, &control<QComboBox>(form, "ComboBox1"),
             Qt::Key_Return, [&] { return f.fakes.browser.opened == QStringList{"https://a.example/page"}; }},
            {"Enter on 高级设置 shows the advanced panel", &form, &control<ClickableLabel>(form, "Label8"),
             Qt::Key_Return,
             [&] {
                 return control<QWidget>(form, "Panel8").isVisible() &&
                        !control<EventLog>(form, "dlrz").isVisible();
             }},
            {"Space on 登录日志 shows the log", &form, &control<ClickableLabel>(form, "Label9"),
             Qt::Key_Space,
             [&] {
                 return control<EventLog>(form, "dlrz").isVisible() &&
                        !control<QWidget>(form, "Panel8").isVisible();
             }},
            {"Escape hides the port mapping window", &mapping, mapping.Edit2, Qt::Key_Escape,
             [&] { return !mapping.isVisible() && form.isVisible(); }},
        };
        for (const auto& row : rows) {
            row.window->show();
            row.window->activateWindow();
            QVERIFY2(QTest::qWaitForWindowActive(row.window), row.what);
            row.target->setFocus();
            QTest::keyClick(QApplication::focusWidget(), row.key);
            QVERIFY2(row.done(), row.what);
        }
    }

    void tabFollowsTheLayoutAndMarksTheFocusedLink()
    {
        WindowFixture f;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        TForm1& form = windows.Form1;
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const QImage unfocused = control<ClickableLabel>(form, "Label8").grab().toImage();
        control<QComboBox>(form, "ComboBox1").setFocus();
        const QList<QWidget*> order{
            &control<ClickableLabel>(form, "Label3"), &control<QLineEdit>(form, "nameedit"),
            &control<QLineEdit>(form, "passedit"),    &control<QPushButton>(form, "Button4"),
            &control<QCheckBox>(form, "zddr"),        &control<ClickableLabel>(form, "Label9"),
            &control<ClickableLabel>(form, "Label8")};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QVERIFY(control<ClickableLabel>(form, "Label8").grab().toImage() != unfocused);
    }
};

QTEST_MAIN(TestKeyboard)
#include "TestKeyboard.moc"
