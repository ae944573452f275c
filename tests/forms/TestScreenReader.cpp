#include "WindowFixture.h"

#include "ui/ClockLabel.h"
#include "ui/EventLog.h"
#include "ui/LightWebPane.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>

namespace {

// What the window tells a screen reader: "<event> <objectName> <text>".
QStringList heard;

void hear(QAccessibleEvent* event)
{
    QString text;
    if (event->type() == QAccessible::ValueChanged)
        text = static_cast<QAccessibleValueChangeEvent*>(event)->value().toString();
    heard << QStringLiteral("%1 %2 %3")
                 .arg(int(event->type()), 0, 16)
                 .arg(event->object() ? event->object()->objectName() : QString(), text)
                 .trimmed();
}

// Every part of the window that says it has the focus.
void collectFocused(QAccessibleInterface* node, QList<QObject*>& focused, int depth = 0)
{
    if (!node || depth > 30)
        return;
    if (node->state().focused)
        focused << node->object();
    for (int i = 0; i < node->childCount(); ++i)
        collectFocused(node->child(i), focused, depth + 1);
}

} // namespace

// The accessibility bus's launcher, as a desktop runs it for a screen reader:
// Qt's bridge turns on once it is there. It points to the test's own bus.
class FakeAccessibilityBus : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Bus")

public:
    QString address;

public slots:
    QString GetAddress() { return address; }
};

class TestScreenReader : public QObject
{
    Q_OBJECT

    QProcess daemon;
    FakeAccessibilityBus launcher;

private slots:
    void initTestCase()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY(daemon.waitForReadyRead(10000));
        launcher.address = QString::fromLatin1(daemon.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", launcher.address.toLatin1());
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject("/org/a11y/bus", &launcher, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService("org.a11y.Bus"));
        QAccessible::installUpdateHandler(hear);
        QTRY_VERIFY(QAccessible::isActive());
    }

    void cleanupTestCase()
    {
        QAccessible::installUpdateHandler(nullptr);
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    // The web pane is a Tab stop with a name, and neither it nor a scroll
    // area's viewport says it has the focus beside the control that has it.
    void onlyTheFocusedControlReportsFocus()
    {
        WindowFixture f;
        f.shell.makeWebPane = [&f](QWidget* parent) { return new LightWebPane(f.fakes.browser, f.fakes.http, parent); };
        PrimaryWindow w(f);
        w.form.show();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        QTRY_VERIFY(w.form.WebBrowser1 && w.form.WebBrowser1->isVisible());
        control<QLineEdit>(w.form, "nameedit").setFocus();
        bool paneReached = false;
        for (int stop = 0; stop < 40; ++stop) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            QList<QObject*> focused;
            collectFocused(QAccessible::queryAccessibleInterface(&w.form), focused);
            // The address box is one control with its line edit.
            if (focus->objectName() != "ComboBox1" && !focus->parent()->inherits("QComboBox"))
                QCOMPARE(focused, QList<QObject*>{focus});
            if (w.form.WebBrowser1->isAncestorOf(focus)) {
                paneReached = true;
                QCOMPARE(QAccessible::queryAccessibleInterface(focus)->text(QAccessible::Name), "服务商网页");
            }
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QVERIFY(paneReached);
    }

    void newLogLinesAreToldWithoutTheFocus()
    {
        WindowFixture f;
        PrimaryWindow w(f);
        w.form.show();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        auto& log = control<EventLog>(w.form, "dlrz");
        control<QLineEdit>(w.form, "nameedit").setFocus();
        QTRY_VERIFY(control<QLineEdit>(w.form, "nameedit").hasFocus());
        heard.clear();
        log.appendLine("line one");
        log.setLine(1, "status");
        QCOMPARE(heard.filter("800e"), QStringList({"800e dlrz line one", "800e dlrz status"}));
        QCOMPARE(QApplication::focusWidget(), &control<QLineEdit>(w.form, "nameedit"));

        // Read in the log itself, a line is not told twice.
        log.setFocus();
        QTRY_VERIFY(log.hasFocus());
        heard.clear();
        log.appendLine("line two");
        QCOMPARE(heard.filter("800e"), QStringList());
    }

    void theClockTellsAScreenReaderOnceAMinute()
    {
        WindowFixture f;
        f.fakes.clock.time.setTime(QTime(9, 5, 0));
        PrimaryWindow w(f);
        w.form.show();
        w.form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        heard.clear();
        for (int second = 0; second < 120; ++second) {
            f.fakes.clock.time = f.fakes.clock.time.addSecs(1);
            w.form.Timer3Timer();
        }
        QCOMPARE(heard.filter(QRegularExpression("^800c Label18")).size(), 2);
        QCOMPARE(control<ClockLabel>(w.form, "Label18").accessibleName(), QLocale().toString(QTime(9, 7), QLocale::ShortFormat));
    }
};

QTEST_MAIN(TestScreenReader)
#include "TestScreenReader.moc"
