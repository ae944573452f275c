#include "settings/SavedCredentials.h"

#include <QTest>

using namespace SavedCredentials;

class TestSavedCredentials : public QObject
{
    Q_OBJECT

private slots:
    void tenCharacterDomainWithThreeCharacterPassword()
    {
        const Parts parts = split("ab.example", "xyz");
        QCOMPARE(parts.vkl01, QString("ab***"));
        QCOMPARE(parts.vkl02, QString("xyz***"));
        QCOMPARE(parts.line0, QString(".example###*****"));
        const auto back = restore(parts.vkl01, parts.vkl02, parts.line0);
        QVERIFY(back);
        QCOMPARE(back->domain, QString("ab.example"));
        QCOMPARE(back->password, QString("xyz"));
    }

    void oneCharacterDomainHasAnEmptyTail()
    {
        const Parts parts = split("a", "secret");
        QCOMPARE(parts.vkl01, QString("a***"));
        QCOMPARE(parts.line0, QString("###*****ret"));
        const auto back = restore(parts.vkl01, parts.vkl02, parts.line0);
        QCOMPARE(back->domain, QString("a"));
        QCOMPARE(back->password, QString("secret"));
    }

    void fieldsAreTrimmedBeforeSplitting()
    {
        const Parts parts = split("  home.kelvane.example ", " 密码很长的 ");
        QCOMPARE(parts.vkl01, QString("ho***"));
        QCOMPARE(parts.vkl02, QStringLiteral("密码很***"));
        QCOMPARE(parts.line0, QStringLiteral("me.kelvane.example###*****长的"));
        const auto back = restore(parts.vkl01, parts.vkl02, parts.line0);
        QCOMPARE(back->domain, QString("home.kelvane.example"));
        QCOMPARE(back->password, QStringLiteral("密码很长的"));
    }

    void markerInsideThePasswordSplitsAtTheFirstOne()
    {
        const Parts parts = split("xy.example", "abc###*****def");
        const auto back = restore(parts.vkl01, parts.vkl02, parts.line0);
        QCOMPARE(back->password, QString("abc###*****def"));
    }

    void blankLineZeroRestoresNothing()
    {
        QVERIFY(!restore(QString("ab***"), QString("xyz***"), QString()));
        QVERIFY(!restore(QString("ab***"), QString("xyz***"), QString(" ")));
        QVERIFY(!restore(QString("ab***"), QString("xyz***"), QString(" \t ")));
    }

    void missingOrMalformedPrefixesAreEmpty()
    {
        const auto back = restore(std::nullopt, QString("no-separator"), QString(".example###*****pw"));
        QCOMPARE(back->domain, QString(".example"));
        QCOMPARE(back->password, QString("pw"));
    }

    void lineWithoutMarkerGivesPasswordTailFromTheEighthCharacter()
    {
        const auto back = restore(QString("ab***"), QString("xyz***"), QString("1234567890"));
        QCOMPARE(back->domain, QString("ab"));
        QCOMPARE(back->password, QString("xyz890"));
    }
};

QTEST_GUILESS_MAIN(TestSavedCredentials)
#include "TestSavedCredentials.moc"
