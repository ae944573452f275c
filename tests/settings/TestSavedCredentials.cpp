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
        QCOMPARE(back.outcome, Outcome::Restored);
        QCOMPARE(back.credentials.domain, QString("ab.example"));
        QCOMPARE(back.credentials.password, QString("xyz"));
    }

    void oneCharacterDomainHasAnEmptyTail()
    {
        const Parts parts = split("a", "secret");
        QCOMPARE(parts.vkl01, QString("a***"));
        QCOMPARE(parts.line0, QString("###*****ret"));
        const auto back = restore(parts.vkl01, parts.vkl02, parts.line0);
        QCOMPARE(back.credentials.domain, QString("a"));
        QCOMPARE(back.credentials.password, QString("secret"));
    }

    void fieldsAreTrimmedBeforeSplitting()
    {
        const Parts parts = split("  home.kelvane.example ", " 密码很长的 ");
        QCOMPARE(parts.vkl01, QString("ho***"));
        QCOMPARE(parts.vkl02, QStringLiteral("密码很***"));
        QCOMPARE(parts.line0, QStringLiteral("me.kelvane.example###*****长的"));
        const auto back = restore(parts.vkl01, parts.vkl02, parts.line0);
        QCOMPARE(back.credentials.domain, QString("home.kelvane.example"));
        QCOMPARE(back.credentials.password, QStringLiteral("密码很长的"));
    }

    void aCharacterOutsideTheBasicPlaneIsNeverCutInHalf()
    {
        const QString domain = QStringLiteral("a\U0001F600.example");
        const QString password = QStringLiteral("pa\U0001F511word");
        const Parts parts = split(domain, password);
        QCOMPARE(parts.vkl01, QStringLiteral("a\U0001F600***"));
        QCOMPARE(parts.vkl02, QStringLiteral("pa\U0001F511***"));
        const auto back =
            restore(QString::fromUtf8(parts.vkl01.toUtf8()), QString::fromUtf8(parts.vkl02.toUtf8()),
                    QString::fromUtf8(parts.line0.toUtf8()));
        QCOMPARE(back.credentials.domain, domain);
        QCOMPARE(back.credentials.password, password);
    }

    void markerInsideThePasswordSplitsAtTheFirstOne()
    {
        const Parts parts = split("xy.example", "abc###*****def");
        const auto back = restore(parts.vkl01, parts.vkl02, parts.line0);
        QCOMPARE(back.credentials.password, QString("abc###*****def"));
    }

    void starsInThePasswordsFirstCharactersAreKept()
    {
        for (const QString& password : {QStringLiteral("***pw"), QStringLiteral("a**"), QStringLiteral("**"),
                                       QStringLiteral("ab*cd")}) {
            const Parts parts = split("xy.example", password);
            QCOMPARE(restore(parts.vkl01, parts.vkl02, parts.line0).credentials.password, password);
        }
    }

    void blankLineZeroRestoresNothing()
    {
        QCOMPARE(restore(QString("ab***"), QString("xyz***"), QString()).outcome, Outcome::Nothing);
        QCOMPARE(restore(QString("ab***"), QString("xyz***"), QString(" ")).outcome, Outcome::Nothing);
        QCOMPARE(restore(QString("ab***"), QString("xyz***"), QString(" \t ")).outcome, Outcome::Nothing);
    }

    void missingOrMalformedPrefixesRestoreNothing()
    {
        const QString line0 = QStringLiteral(".example###*****pw");
        QCOMPARE(restore(std::nullopt, QString("xyz***"), line0).outcome, Outcome::Incomplete);
        QCOMPARE(restore(QString("ab***"), std::nullopt, line0).outcome, Outcome::Incomplete);
        QCOMPARE(restore(QString("ab***"), QString("no-separator"), line0).outcome, Outcome::Incomplete);
        QCOMPARE(restore(QString("ab***"), QString("xyz***"), line0).credentials.domain,
                 QString("ab.example"));
    }

    void lineWithoutMarkerGivesPasswordTailFromTheEighthCharacter()
    {
        const auto back = restore(QString("ab***"), QString("xyz***"), QString("1234567890"));
        QCOMPARE(back.credentials.domain, QString("ab"));
        QCOMPARE(back.credentials.password, QString("xyz890"));
    }
};

QTEST_GUILESS_MAIN(TestSavedCredentials)
#include "TestSavedCredentials.moc"
