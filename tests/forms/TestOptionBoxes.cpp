#include "WindowFixture.h"

#include "fakes/SavedLoginFiles.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

QList<QByteArray> settingsLines(const WindowFixture& f)
{
    QList<QByteArray> lines = f.read("vkl.ini").split('\n');
    lines.removeLast();
    for (QByteArray& line : lines)
        line.chop(1); // CR
    return lines;
}

} // namespace

class TestOptionBoxes : public QObject
{
    Q_OBJECT

private slots:
    void boxesWriteNothingWhileLoading()
    {
        WindowFixture f;
        PrimaryWindow window(f);
        TForm1& form = window.form;
        const QByteArray before = f.read("vkl.ini");
        control<QCheckBox>(form, "CheckBox1").setChecked(true);
        control<QCheckBox>(form, "CheckBox7").setChecked(true);
        control<QCheckBox>(form, "CheckBox5").setChecked(true);
        QCOMPARE(f.read("vkl.ini"), before);
        QVERIFY(!window.state.iptype());
    }

    void eachBoxWritesItsLineOnceShown()
    {
        WindowFixture f;
        PrimaryWindow window(f);
        TForm1& form = window.form;
        form.FormShow();
        control<QCheckBox>(form, "CheckBox1").setChecked(true);
        QCOMPARE(settingsLines(f).at(1), QByteArray("1"));
        control<QCheckBox>(form, "CheckBox7").setChecked(true);
        QCOMPARE(settingsLines(f).at(3), QByteArray("1"));
        control<QCheckBox>(form, "CheckBox1").setChecked(false);
        QCOMPARE(settingsLines(f), (QList<QByteArray>{" ", "0", "0", "1", "0", "0", "0"}));
    }

    void resolveToLocalAndFixedAddressExcludeEachOther()
    {
        WindowFixture f;
        PrimaryWindow window(f);
        TForm1& form = window.form;
        form.FormShow();
        control<QCheckBox>(form, "CheckBox2").setChecked(true);
        control<QCheckBox>(form, "CheckBox5").setChecked(true);
        QVERIFY(!control<QCheckBox>(form, "CheckBox2").isChecked());
        QVERIFY(window.state.iptype());
        QCOMPARE(settingsLines(f).at(2), QByteArray("1"));

        control<QCheckBox>(form, "CheckBox2").setChecked(true);
        QVERIFY(!control<QCheckBox>(form, "CheckBox5").isChecked());
        QVERIFY(!window.state.iptype());
        QCOMPARE(settingsLines(f).at(2), QByteArray("0"));
    }

    void autoLoginBoxSavesAndClearsTheCredentials()
    {
        WindowFixture f;
        PrimaryWindow window(f);
        TForm1& form = window.form;
        control<QLineEdit>(form, "nameedit").setText(" ab.kelvane.example ");
        control<QLineEdit>(form, "passedit").setText("pw1234");
        control<QCheckBox>(form, "zddr").setChecked(true);
        QCOMPARE(settingsLines(f).at(0), QByteArray(".kelvane.example###*****234"));
        QCOMPARE(f.fakes.keyStore.value("vkl01"), std::optional<QString>("ab***"));
        QCOMPARE(f.fakes.keyStore.value("vkl02"), std::optional<QString>("pw1***"));

        control<QCheckBox>(form, "zddr").setChecked(false);
        QCOMPARE(settingsLines(f).at(0), QByteArray());
        QCOMPARE(f.fakes.keyStore.value("vkl01"), std::optional<QString>("ab***")); // prefixes stay
    }

    void clearingTheBoxWithAnEmptyPasswordChangesNothing()
    {
        WindowFixture f;
        QVERIFY(saveLoginFiles(f.fakes.keyStore, f.folder.path(), "ab.kelvane.example", "pw1234"));
        PrimaryWindow window(f);
        TForm1& form = window.form;
        QVERIFY(control<QCheckBox>(form, "zddr").isChecked());
        const QByteArray before = f.read("vkl.ini");
        control<QLineEdit>(form, "passedit").clear();
        control<QCheckBox>(form, "zddr").setChecked(false);
        QCOMPARE(f.read("vkl.ini"), before);
    }

    void multiUserModeTakesTheFirstEntryIntoTheForm()
    {
        WindowFixture f;
        f.write("vkldomain.ini", "m1.kelvane.example$$$********\r\nm2.kelvane.example$$$********\r\n");
        f.write("vkl.ini", " \r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
        (void)f.fakes.keyStore.setValue("m1.kelvane.example", "p3a7ssword");
        PrimaryWindow window(f);
        TForm1& form = window.form;
        control<QCheckBox>(form, "zddr").setChecked(true);
        QCOMPARE(control<QLineEdit>(form, "nameedit").text(), QString("m1.kelvane.example"));
        QCOMPARE(control<QLineEdit>(form, "passedit").text(), QString("password"));
        QCOMPARE(settingsLines(f).at(0), QByteArray(".kelvane.example###*****sword"));
    }

    void theAutoLoginBoxAndTheSessionFollowEachOther()
    {
        WindowFixture f;
        PrimaryWindow window(f);
        TForm1& form = window.form;
        control<QCheckBox>(form, "zddr").setChecked(true);
        QVERIFY(window.state.autoLogin());
        window.state.setAutoLogin(false);
        QVERIFY(!control<QCheckBox>(form, "zddr").isChecked());
    }

    void keyStoreFailureIsShownAndLeavesTheFileAlone()
    {
        WindowFixture f;
        f.fakes.keyStore.failWrites = true;
        PrimaryWindow window(f);
        TForm1& form = window.form;
        control<QLineEdit>(form, "nameedit").setText("ab.kelvane.example");
        control<QLineEdit>(form, "passedit").setText("secret");
        control<QCheckBox>(form, "zddr").setChecked(true);
        QCOMPARE(f.fakes.messageBoxes.shown.size(), 1);
        QCOMPARE(f.fakes.messageBoxes.shown.first().second, QString("Failed to set data for 'vkl01'"));
        QCOMPARE(settingsLines(f).at(0), QByteArray(" ")); // half a login would be no login
    }
};

QTEST_MAIN(TestOptionBoxes)
#include "TestOptionBoxes.moc"
