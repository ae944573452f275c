#include "WindowFixture.h"

#include "ui/EventLog.h"
#include "ui/LightWebPane.h"
#include "ui/WebPane.h"
#include "ui/WebPaneStartup.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QLineEdit>
#include <QProcess>

namespace {

QStringList heard; // what a screen reader was told: values, and the objects renamed

void hear(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::ValueChanged)
        heard << static_cast<QAccessibleValueChangeEvent*>(event)->value().toString();
    else if (event->type() == QAccessible::NameChanged && event->object())
        heard << event->object()->objectName();
}

void collectFocused(QAccessibleInterface* node, QList<QObject*>& focused, int depth = 0)
{
    if (node && node->state().focused)
        focused << node->object();
    for (int i = 0; node && depth < 30 && i < node->childCount(); ++i)
        collectFocused(node->child(i), focused, depth + 1);
}

} // namespace

// Qt's bridge to screen readers, and so its hook, turns on once the
// accessibility bus's launcher is there: the test plays it, on a bus of its own.
class TestScreenReader : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Bus")

    QProcess daemon; // ends with the test
    QString address;

public slots:
    QString GetAddress() { return address; }

private slots:
    void initTestCase()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(daemon.waitForReadyRead(10000));
        address = QString::fromLatin1(daemon.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toLatin1());
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject("/org/a11y/bus", this, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService("org.a11y.Bus"));
        QAccessible::installUpdateHandler(hear);
        QTRY_VERIFY(QAccessible::isActive());
    }

    void theWindowTellsAScreenReaderWhatMatters_data()
    {
        QTest::addColumn<bool>("light");
        QTest::newRow("light pane") << true;
        // The browser engine's, in a build that has it.
        QTest::newRow("this build's pane") << false;
    }

    void theWindowTellsAScreenReaderWhatMatters()
    {
        QFETCH(bool, light);
        WindowFixture f;
        f.shell.makeWebPane = [&f, light](QWidget* parent) {
            return light ? new LightWebPane(f.fakes.browser, f.fakes.http, parent)
                         : createWebPane(f.fakes.browser, f.fakes.http, parent);
        };
        PrimaryWindow w(f);
        w.form.show();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        QTRY_VERIFY(w.form.WebBrowser1 && w.form.WebBrowser1->isVisible());
        auto& domain = control<QLineEdit>(w.form, "nameedit");
        auto& log = control<EventLog>(w.form, "dlrz");
        domain.setFocus();

        // Only the focused control says it has the focus (the address box is one with its line
        // edit); the web pane is a Tab stop with a name.
        bool paneReached = false;
        for (int stop = 0; stop < 40 && QApplication::focusWidget(); ++stop) {
            QWidget* focus = QApplication::focusWidget();
            QList<QObject*> focused;
            collectFocused(QAccessible::queryAccessibleInterface(&w.form), focused);
            // The browser engine's page reports its document focused within the
            // page, whatever has the window's focus: that one is the engine's own.
            focused.removeIf([](QObject* object) { return !object->isWidgetType(); });
            // The engine's view stands for the widget inside it that has the focus.
            auto* told = static_cast<QWidget*>(focused.value(0));
            const bool inPane = w.form.WebBrowser1->isAncestorOf(focus);
            QVERIFY(focused.size() == 1 || focus->objectName() == "ComboBox1" ||
                    focus->parent()->objectName() == "ComboBox1");
            QVERIFY(told == focus || (inPane && told->isAncestorOf(focus)) || focus->objectName() == "ComboBox1" ||
                    focus->parent()->objectName() == "ComboBox1");
            paneReached = paneReached || (inPane && told->accessibleName() == "服务商网页");
            QTest::keyClick(focus, Qt::Key_Tab);
            // The browser engine hands the focus back to the window later.
            (void)QTest::qWaitFor([focus] { return QApplication::focusWidget() != focus; }, 3000);
        }
        QVERIFY(paneReached);

        // A new log line is told where the focus is not; in the log, its text events tell it.
        domain.setFocus();
        heard.clear();
        log.appendLine("line one");
        log.setLine(1, "status");
        QVERIFY(domain.hasFocus());
        log.setFocus();
        log.appendLine("line two");
        QCOMPARE(heard, QStringList({"line one", "status"}));

        // The clock is named once a minute, not every second.
        f.fakes.clock.time.setTime(QTime(9, 5, 0));
        heard.clear();
        for (int second = 0; second < 120; ++second) {
            f.fakes.clock.time = f.fakes.clock.time.addSecs(1);
            w.form.Timer3Timer();
        }
        QCOMPARE(heard.count("Label18"), 2);
    }
};

int main(int argc, char* argv[])
{
    // The panes' pages are on reserved names: the engine must not ask the
    // real network's name server for them.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1");
    prepareWebPanes();
    QApplication application(argc, argv);
    TestScreenReader test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestScreenReader.moc"
