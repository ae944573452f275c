#include "LoginFixture.h"

#include "messages/Messages.h"
#include "registration/StoredPassword.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

namespace {

const QByteArray success("dengluok112a.kelvane.example&&&198.51.100.7&&&");

void storeEntries(LoginFixture& f, const QStringList& domains)
{
    QStringList lines;
    for (const QString& domain : domains)
        lines << domain + "$$$********";
    f.session.setMultiUserLines(lines);
    setOn(f.session.settingsLines, SettingsLine::MultiUser, true);
}

} // namespace

class TestMultiUser : public QObject
{
    Q_OBJECT

private slots:
    void aPassLogsInEachEntryAfterThePreviousSucceededThenStartsTheChecks()
    {
        LoginFixture f;
        storeEntries(f, {"a.kelvane.example", "nopass.kelvane.example", "b.kelvane.example"});
        (void)f.fakes.keyStore.setValue("a.kelvane.example", StoredPassword::encode("first", u'3', u'8'));
        (void)f.fakes.keyStore.setValue("B.kelvane.example", StoredPassword::encode("second", u'0', u'5'));
        f.ordinary.reply = success;
        f.form->Button5Click();
        QCOMPARE(f.form->Timer7.interval(), 100);
        QTRY_COMPARE_WITH_TIMEOUT(f.form->Timer5.interval(), 5000, 5000);
        QCOMPARE(f.ordinary.received.size(), 2);
        QCOMPARE(f.ordinary.received.at(0).bytes, QByteArray("verarod47a.kelvane.example&&&first&&&no&&&"));
        QCOMPARE(f.ordinary.received.at(1).bytes, QByteArray("verarod47b.kelvane.example&&&second&&&no&&&"));
        QVERIFY(f.form->dlrz->text().contains(
            Messages::entryPasswordMissing(LanguageCode::Jt, "nopass.kelvane.example")));
        QCOMPARE(f.form->nameedit->text(), QString("b.kelvane.example"));
        QCOMPARE(f.form->Timer9.interval(), 0);

        // The next change logs the whole list in again, from its first entry.
        f.form->zddr->setChecked(true);
        f.form->Button5Click();
        QTRY_COMPARE_WITH_TIMEOUT(f.ordinary.received.size(), 4, 5000);
        QCOMPARE(f.ordinary.received.at(2).bytes, f.ordinary.received.at(0).bytes);
    }

    void refusedEntriesDoNotEndThePass_data()
    {
        QTest::addColumn<QByteArray>("refusal");
        QTest::newRow("not registered") << QByteArray("nzhuceyonghu1");
        QTest::newRow("disabled") << QByteArray("stopfuwu");
    }

    void refusedEntriesDoNotEndThePass()
    {
        QFETCH(QByteArray, refusal);
        LoginFixture f;
        storeEntries(f, {"a.kelvane.example", "b.kelvane.example"});
        (void)f.fakes.keyStore.setValue("a.kelvane.example", StoredPassword::encode("first", u'3', u'8'));
        (void)f.fakes.keyStore.setValue("b.kelvane.example", StoredPassword::encode("second", u'0', u'5'));
        f.ordinary.answer = [&](const QByteArray& datagram, const QHostAddress&) {
            return datagram.startsWith("verarod47a.") ? refusal : success;
        };
        f.form->Button5Click();
        QTRY_COMPARE_WITH_TIMEOUT(f.form->Timer5.interval(), 5000, 5000);
        QCOMPARE(f.ordinary.received.size(), 2);
        QCOMPARE(f.ordinary.received.at(1).bytes, QByteArray("verarod47b.kelvane.example&&&second&&&no&&&"));
    }

    // Its domain in the field beside another entry's password would be sent,
    // and shown in pages, as one login.
    void anEntryWithoutPasswordLeavesBothFieldsAsTheyWere()
    {
        LoginFixture f;
        storeEntries(f, {"nopass.kelvane.example"});
        f.form->listIndex = 0;
        f.form->Timer7Timer();
        QCOMPARE(f.form->nameedit->text(), QString("a.kelvane.example"));
        QCOMPARE(f.form->passedit->text(), QString("secret"));
        f.form->zddr->setChecked(true); // takes the first entry only with its password
        QCOMPARE(f.form->nameedit->text(), QString("a.kelvane.example"));
    }

    void thePassWaitsForANetworkAddress()
    {
        LoginFixture f;
        storeEntries(f, {"a.kelvane.example"});
        (void)f.fakes.keyStore.setValue("a.kelvane.example", "pw1");
        f.fakes.localAddress.address = QStringLiteral("127.0.0.1");
        f.form->listIndex = 0;
        f.form->Timer7Timer();
        QCOMPARE(f.form->passedit->text(), QString("pw1"));
        f.form->Timer8Timer();
        QCOMPARE(f.form->Timer8.interval(), 1000);
        QCOMPARE(f.form->Timer4.interval(), 0); // nothing sent yet
        f.fakes.localAddress.address = QStringLiteral("192.0.2.10");
        f.form->Timer8Timer();
        QCOMPARE(f.form->Timer4.interval(), 15000);
    }

    void aLargeGarbledListLoadsAndIsPassedEntryByEntry()
    {
        WindowFixture f;
        QByteArray list;
        for (int i = 0; i < 10000; ++i)
            list += i % 2 ? QByteArray("\xFF\x81 no separator ") + QByteArray::number(i) + "\r\n"
                          : QByteArray("d") + QByteArray::number(i) + QByteArray("$$$\x80\0*\r\n", 8);
        f.write("vkldomain.ini", list);
        f.write("vkl.ini", " \r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
        TForm1 form(f.fakes.platform(), f.shell, f.session);
        QCOMPARE(f.session.multiUserLines().size(), 10000);
        for (int step = 0; step < 20; ++step)
            form.Timer7Timer();
        QCOMPARE(form.listIndex, 20);
        QCOMPARE(form.dlrz->lineCount(), 3 + 20); // each entry without a password said so
        QCOMPARE(f.read("vkldomain.ini"), list);
    }

    void addingStoresTheEncodedPasswordAndOneLinePerDomain()
    {
        LoginFixture f;
        f.form->Edit2->setText("a.kelvane.example");
        f.form->Edit3->setText("  abcd ");
        f.form->Label16Click();
        QCOMPARE(f.form->Edit3->text(), QString("abcd"));
        const QString stored = f.fakes.keyStore.value("a.kelvane.example").value_or(QString());
        QCOMPARE(stored.size(), 6);
        QCOMPARE(StoredPassword::decode(stored), QString("abcd"));
        QCOMPARE(f.read("vkldomain.ini"), QByteArray("a.kelvane.example$$$********\r\n"));

        f.form->Edit2->setText("A.KELVANE.example");
        f.form->Edit3->setText("xyz");
        f.form->Label16Click();
        QCOMPARE(f.session.multiUserLines().size(), 1);
        QCOMPARE(f.fakes.keyStore.value("a.kelvane.example"), std::optional<QString>("xyz"));

        f.form->Edit2->setText(" ");
        f.form->Label16Click();
        QVERIFY(f.form->dlrz->line(3).endsWith(Messages::entryNotAdded(LanguageCode::Jt)));

        f.fakes.keyStore.failWrites = true;
        f.form->Edit2->setText("b.kelvane.example");
        f.form->Label16Click();
        QCOMPARE(f.session.multiUserLines().size(), 1);
        QCOMPARE(f.fakes.messageBoxes.shown.size(), 1);
        QVERIFY(f.fakes.messageBoxes.shown.first().second.contains("b.kelvane.example"));
    }

    void deletingTakesTheCaretLineOrTheFirstWithoutRegardToCase()
    {
        LoginFixture f;
        storeEntries(f, {"A.example", "a.example", "b.example"});
        (void)f.fakes.keyStore.setValue("a.example", "pw1");
        QTextCursor cursor(f.form->Memo2->document()->findBlockByNumber(1));
        f.form->Memo2->setTextCursor(cursor);
        f.form->Label15Click();
        QCOMPARE(f.session.multiUserLines(), (QStringList{"a.example$$$********", "b.example$$$********"}));
        QVERIFY(!f.fakes.keyStore.value("a.example"));
        QCOMPARE(f.read("vkldomain.ini"), QByteArray("a.example$$$********\r\nb.example$$$********\r\n"));

        f.session.setMultiUserLines({"b.example$$$********", "c.example$$$********"});
        f.form->Memo2->appendPlainText({});
        f.form->Memo2->moveCursor(QTextCursor::End); // an empty line
        f.form->Label15Click();
        QCOMPARE(f.session.multiUserLines(), QStringList{"c.example$$$********"});
    }
};

QTEST_MAIN(TestMultiUser)
#include "TestMultiUser.moc"
