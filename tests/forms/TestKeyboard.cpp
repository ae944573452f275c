#include "WindowFixture.h"

#include "ProgramWindows.h"
#include "ui/ClickableLabel.h"
#include "ui/EventLog.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>

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

    // Each Alt key of the primary window, none typing into the field that has
    // the focus; every mnemonic a control or menu shows is one of them.
    void eachMnemonicReachesItsControl()
    {
        WindowFixture f;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        TForm1& form = windows.Form1;
        const std::pair<char, const char*> rows[] = {{'D', "ComboBox1"}, {'X', "N1"},  {'S', "E2"},
                                                     {'C', "N5"},        {'K', "N11"}, {'P', "N13"},
                                                     {'H', "H1"}};
        QStringList shown;
        for (const QWidget* marked : form.findChildren<QWidget*>())
            shown << marked->property(qobject_cast<const QMenu*>(marked) ? "title" : "text").toString();
        for (const QString& text : shown) {
            const QString key = QRegularExpression(R"(\(&?([A-Z])\))").match(text).captured(1);
            QVERIFY2(key.isEmpty() || std::any_of(std::begin(rows), std::end(rows),
                                                  [&](const auto& row) { return key == QChar(row.first); }),
                     qPrintable(text));
        }
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto& domain = control<QLineEdit>(form, "nameedit");
        domain.setText("demo.second.example");
        for (const auto& [key, target] : rows) {
            domain.setFocus();
            QTest::keyClick(&domain, Qt::Key(key), Qt::AltModifier);
            QCOMPARE(domain.text(), QString("demo.second.example"));
            if (auto* menu = form.findChild<QMenu*>(target)) {
                QTRY_VERIFY2(menu->isVisible(), target);
                QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
            } else {
                QVERIFY(key == 'X'
                            ? f.fakes.browser.opened.size() == 1 // 协助 is a page
                            : control<QComboBox>(form, target).isAncestorOf(QApplication::focusWidget()));
            }
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

        // F10 and Alt open the menus; a restore starts in the domain field.
        QTest::keyClick(&form, Qt::Key_F10);
        QTRY_VERIFY(form.findChild<QMenu*>("E2")->isVisible());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTest::keyClick(&form, Qt::Key_P, Qt::AltModifier);
        QTRY_VERIFY(form.findChild<QMenu*>("N13")->isVisible());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        form.showMinimized();
        form.showNormal();
        QTRY_COMPARE(form.focusWidget(), &control<QLineEdit>(form, "nameedit"));
    }

    void portMappingTabGoesThroughTheFieldsNeverIntoTheList()
    {
        WindowFixture f;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        TForm111& form = windows.Form111;
        control<QPushButton>(form, "Button1").setEnabled(true);
        control<QPushButton>(form, "BitBtn6").setEnabled(true);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        // Round to the list again: the log beneath it is never reached.
        control<QWidget>(form, "Memo2").setFocus();
        for (const char* next : {"Edit1", "Edit2", "Edit3", "Edit4", "RadioButton1", "RadioButton3",
                                 "Button1", "BitBtn6", "Label7", "Label8", "Label11", "CheckBox2", "Memo2"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), &control<QWidget>(form, next));
        }
    }

    // Asked in-process through QAccessible, which the at-spi bridge hands on.
    void screenReadersGetANameForEveryControl()
    {
        WindowFixture f;
        ProgramWindows windows(f.fakes.platform(), f.shell);
        windows.Form111.showRouterMappings();
        int links = 0;
        for (QWidget* window : QList<QWidget*>{&windows.Form1, &windows.Form111,
                                               &control<QWidget>(windows.Form111, "routerMappingsView")}) {
            for (QWidget* widget : window->findChildren<QWidget*>() + QWidgetList{window}) {
                const bool control =
                    widget->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton*>(widget);
                if (!control || widget->isHidden() || widget->window() != window)
                    continue;
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
                QVERIFY2(!face->text(QAccessible::Name).trimmed().isEmpty(),
                         qPrintable(widget->metaObject()->className() + (u' ' + widget->objectName())));
                links += face->role() == QAccessible::Link && face->actionInterface();
            }
        }
        QCOMPARE(links, 9);
        QCOMPARE(QAccessible::queryAccessibleInterface(&windows.Form111)->role(), QAccessible::Window);
        auto& routerMappings = control<QWidget>(windows.Form111, "routerMappingsView");
        QCOMPARE(QAccessible::queryAccessibleInterface(&routerMappings)->role(), QAccessible::List);
        routerMappings.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&routerMappings));
        QTest::keyClick(&routerMappings, Qt::Key_Escape);
        QVERIFY(!routerMappings.isVisible());
    }
};

QTEST_MAIN(TestKeyboard)
#include "TestKeyboard.moc"
