#include "WindowFixture.h"

#include "engine/Engine.h"
#include "fakes/ServedModel.h"
#include "registration/LoginExchange.h"
#include "forms/DesktopNotices.h"
#include "messages/Messages.h"
#include "ui/NoticeRate.h"

#include <QMenu>

class TestDesktopNotices : public QObject
{
    Q_OBJECT

private slots:
    void theRateIsOneOfAKindEveryTenMinutes()
    {
        FakeClock clock;
        NoticeRate rate;
        QVERIFY(rate.allow(1, clock.now()) && rate.allow(2, clock.now())); // kinds apart
        QVERIFY(!rate.allow(1, clock.now().addSecs(10 * 60 - 1)));
        QVERIFY(rate.allow(1, clock.now().addSecs(10 * 60)));
        QVERIFY(rate.allow(1, clock.now().addSecs(-3600))); // a clock set back counts as time passed
    }

    // The engine's events, each told (on by default); the entry turns them off and is kept.
    void eachKindIsToldOnceAndTheEntryTurnsThemOff()
    {
        WindowFixture f;
        Engine all(f.fakes.platform(), f.shell.title, f.folder.path());
        ServedModel served(all, f.fakes.platform());
        QMenu menu;
        QStringList told;
        DesktopNotices notices(f.fakes.platform(), "Kelvane", served.model, menu,
                               [&told](const QString& caption, const QString& text) { told << caption + text; });
        LoginSession& session = all.logins.primary();
        session.setCredentials("a.example", "pw");
        emit session.loginSent();
        emit session.unanswered("a.example");
        emit session.loginSent();
        emit session.replied({}, LoginExchange::ReplyKind::NotRegistered, {});
        emit all.mappingKeeper.addRefused("增加端口失败：718 ConflictInMappingEntry");
        const auto published = [&](const char* address) {
            emit session.replied({}, LoginExchange::ReplyKind::Success, QString::fromLatin1(address));
        };
        published("1.1.1.1"); // the first address is no change
        published("2.2.2.2");
        emit session.loginSent();
        emit session.replied({}, LoginExchange::ReplyKind::NotRegistered, {}); // within ten minutes
        QCOMPARE(told, (QStringList{"Kelvane" + Messages::noAnswer(LanguageCode::Jt, "a.example"),
                                    "Kelvane" + Messages::domainRefusedNotice(LanguageCode::Jt, "a.example"),
                                    "Kelvane增加端口失败：718 ConflictInMappingEntry",
                                    "Kelvane" + Messages::addressChangedNotice(LanguageCode::Jt, "a.example",
                                                                               "2.2.2.2")}));

        menu.findChild<QAction*>("N3")->trigger();
        QCOMPARE(f.fakes.keyStore.value(DesktopNotices::storedName), QString("0"));
        f.fakes.clock.time = f.fakes.clock.time.addSecs(601);
        emit session.loginSent();
        emit session.replied({}, LoginExchange::ReplyKind::NotRegistered, {});
        QCOMPARE(told.size(), 4);
    }
};

QTEST_MAIN(TestDesktopNotices)
#include "TestDesktopNotices.moc"
