#include "messages/Messages.h"
#include "registration/ClientState.h"

#include <QSignalSpy>
#include <QTest>

using LoginExchange::AddressMode;

class TestClientState : public QObject
{
    Q_OBJECT

private slots:
    void addressOptionsChooseTheDatagramAddress_data()
    {
        QTest::addColumn<std::optional<QString>>("fixed");
        QTest::addColumn<bool>("local");
        QTest::addColumn<int>("mode"); // -1: nothing to send
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown"); // in simplified Chinese
        const QString outside = Messages::outsideAddressPrefix(LanguageCode::Jt);
        const QString inside = Messages::localAddressPrefix(LanguageCode::Jt);
        QTest::newRow("public") << std::optional<QString>() << false << int(AddressMode::Public) << ""
                                << outside + "198.51.100.7";
        QTest::newRow("local") << std::optional<QString>() << true << int(AddressMode::Local) << "192.0.2.10"
                               << inside + "192.0.2.10";
        QTest::newRow("fixed before local")
            << std::optional<QString>("203.0.113.4") << true << int(AddressMode::Fixed) << "203.0.113.4"
            << "203.0.113.4";
        QTest::newRow("fixed but no address") << std::optional<QString>("1.2.3.4&&&x") << false << -1 << ""
                                              << "1.2.3.4&&&x";
    }

    void addressOptionsChooseTheDatagramAddress()
    {
        QFETCH(std::optional<QString>, fixed);
        QFETCH(bool, local);
        QFETCH(int, mode);
        ClientState session;
        session.setFixedAddress(fixed);
        session.setIptype(local);
        const auto address = session.datagramAddress("192.0.2.10");
        QCOMPARE(address ? int(address->mode) : -1, mode);
        QTEST(address.value_or(LoginExchange::LoginDatagramAddress{}).text, "text");
        QTEST(session.displayAddress(LanguageCode::Jt, "198.51.100.7", "192.0.2.10"), "shown");
    }

    // Only the simplified Chinese history line shows the fixed address bare.
    void otherLanguagesShowTheAddressWithItsPrefix()
    {
        ClientState session;
        session.setFixedAddress("203.0.113.4");
        QCOMPARE(session.displayAddress(LanguageCode::Et, "198.51.100.7", "192.0.2.10"),
                 Messages::outsideAddressPrefix(LanguageCode::Et) + "198.51.100.7");
    }

    // The windows mirror these; a signal for an unchanged value would loop.
    void changesAreSignalledOnlyWhenTheyChangeSomething()
    {
        ClientState session;
        QSignalSpy autoLogin(&session, &ClientState::autoLoginChanged);
        QSignalSpy list(&session, &ClientState::multiUserLinesChanged);
        session.setAutoLogin(false);
        session.setAutoLogin(true);
        session.setAutoLogin(true);
        session.setMultiUserLines({});
        session.setMultiUserLines({"a$$$********"});
        session.setMultiUserLines({"a$$$********"});
        QCOMPARE(autoLogin.size(), 1);
        QCOMPARE(list.size(), 1);
        QVERIFY(!session.routerAddressKnown());
    }
};

QTEST_GUILESS_MAIN(TestClientState)
#include "TestClientState.moc"
