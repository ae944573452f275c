#include "forms/TForm2.h"

#include "forms/LoginReplyDatagram.h"
#include "messages/Messages.h"
#include "net/TNMUDP.h"
#include "registration/AccountRules.h"
#include "registration/Session.h"
#include "registration/StoredPassword.h"
#include "settings/MultiUserList.h"
#include "settings/SettingsLines.h"

using namespace LoginExchange;

void TForm2::storeCredentials()
{
    if (m_session.autoLogin())
        m_session.saveLogin(nameedit, passedit);
}

void TForm2::Button4Click()
{
    nameedit = nameedit.trimmed();
    passedit = passedit.trimmed();
    for (Timer* timer : {&Timer1, &Timer4, &Timer7, &Timer8, &Timer9})
        timer->setInterval(0);
    Timer4.setInterval(10);
    storeCredentials();
}

// Stops no timer: with auto-login on, the local check keeps logging in again
// until a success reply brings the addresses in line.
void TForm2::Button5Click()
{
    if (nameedit.trimmed().isEmpty() || passedit.trimmed().isEmpty())
        return;
    const bool multiUser = isOn(m_session.settingsLines, SettingsLine::MultiUser);
    if (!multiUser)
        storeCredentials();
    if (isOn(m_session.settingsLines, SettingsLine::ResolveLocal))
        m_session.iptype = true;
    if (!multiUser) {
        Timer4.setInterval(100);
        return;
    }
    listIndex = 0;
    Timer7.setInterval(100);
}

void TForm2::Button1Click()
{
    Label5 = m_platform.localAddress.localAddress();
    if (nameedit.trimmed().isEmpty() || passedit.trimmed().isEmpty())
        return;
    pageHost = primaryServerHost(nameedit, m_session.zoneList);
    if (!isSecondaryEligible(pageHost)) {
        Timer7.setInterval(10);
        return;
    }
    const auto address = m_session.datagramAddress(Label5);
    if (!address) {
        setLine1(Messages::fixedAddressInvalid(languageCode));
        Timer4.setInterval(15000);
        return;
    }
    setLine1(Messages::Secondary::loginSent(timeOfDay()));
    Timer4.setInterval(15000);
    if (!NMUDP1) {
        reportSendFailure();
        return;
    }
    // A retry while the previous send waits for its look-up: that send goes on.
    if (NMUDP1->isSending())
        return;
    try {
        NMUDP1->RemoteHost = secondaryServerHost();
        NMUDP1->RemotePort = secondaryPort;
        const QByteArray datagram =
            m_codePage.encode(loginDatagram(nameedit, passedit, address->mode, address->text));
        NMUDP1->SendBytes(datagram, int(datagram.size()));
    } catch (const UDPSockError&) {
        reportSendFailure();
    }
}

void TForm2::reportSendFailure()
{
    Timer4.setInterval(6000);
    setLine1(Messages::Secondary::sendFailed(languageCode));
}

void TForm2::NMUDP1DataReceived(int, const QString& FromIP, int Port)
{
    if (!m_awaitedReply.accepts(FromIP, Port))
        return;
    const Reply reply = receiveLoginReply(*NMUDP1, m_codePage);
    if (reply.kind != ReplyKind::Unrecognised)
        m_awaitedReply.answered();
    switch (reply.kind) {
    case ReplyKind::Disabled:
        Timer4.setInterval(0);
        continueListPass();
        break;
    case ReplyKind::Success:
        onSuccessReply(reply);
        break;
    case ReplyKind::NotRegistered:
        onNotRegisteredReply(reply);
        break;
    case ReplyKind::Unrecognised:
        break;
    }
}

void TForm2::onSuccessReply(const Reply& reply)
{
    Timer4.setInterval(0);
    if (AccountRules::isPayingUser(reply.accountCode)) {
        padSettingsLines(m_session.settingsLines, SettingsLine::Count);
        // Saved with the primary window's next save.
        m_session.settingsLines[SettingsLine::AccountType] = AccountRules::accountTypeFor(reply.accountCode);
    }
    if (isOn(m_session.settingsLines, SettingsLine::MultiUser)) {
        Timer7.setInterval(10);
    } else if (!m_session.fixedAddress &&
               (wgip == m_platform.localAddress.localAddress() || m_session.resolveLocalTicked)) {
        Timer9.setInterval(3000);
    }
    const QString time = timeOfDay();
    setLine1(Messages::Secondary::loginSucceeded(languageCode, time));
    wgip = reply.resolvedAddress;
    if (const QString page = accountPage(pageHost, reply, m_codePage);
        !page.isEmpty() && m_pageThrottle.allow(reply.accountCode, m_platform.clock.now()))
        m_session.openPage(page);

    const QString address =
        m_session.displayAddress(languageCode, reply.resolvedAddress, m_platform.localAddress.localAddress());
    const Messages::LoginStamp stamp{
        reply.replyDomain, address, today(), time, nameedit, AccountRules::secondaryExpiry(reply)};
    if (reply.replyDomain.contains(QStringLiteral("Repeat landing")))
        appendHistory(Messages::Secondary::repeatedLoginHistory(languageCode, stamp));
    else
        appendHistory(Messages::Secondary::successHistory(languageCode, stamp));
}

// As in the primary session: a refused domain does not end the list pass.
void TForm2::continueListPass()
{
    if (isOn(m_session.settingsLines, SettingsLine::MultiUser))
        Timer7.setInterval(10);
}

void TForm2::onNotRegisteredReply(const Reply& reply)
{
    Timer4.setInterval(0);
    continueListPass();
    appendHistory(Messages::Secondary::loginFailedHistory(languageCode, today(), timeOfDay(), nameedit));
    if (m_pageThrottle.allow(QStringLiteral("registration"), m_platform.clock.now()))
        m_session.openPage(
            registrationPage(pageHost, reply.registrationCode, nameedit, passedit, m_codePage));
}

void TForm2::Timer1Timer()
{
    Timer1.setInterval(0);
    if (m_session.autoLogin())
        Button5Click();
}

void TForm2::Timer2Timer()
{
    Timer2.setInterval(0);
    setLine1(timeOfDay());
    Button4Click();
}

void TForm2::Timer4Timer()
{
    Timer4.setInterval(0);
    Button1Click();
}

void TForm2::Timer5Timer()
{
    Timer5.setInterval(0);
    setLine1(timeOfDay() + u'.');
    Button5Click();
}

// Settings line 1 holding anything but "0" counts as multi-user here.
void TForm2::Timer7Timer()
{
    Timer7.setInterval(0);
    if (isOff(m_session.settingsLines, SettingsLine::MultiUser))
        return;
    const QStringList lines = m_session.multiUserLines();
    if (listIndex >= lines.size()) {
        if (wgip == m_platform.localAddress.localAddress())
            Timer9.setInterval(3000);
        return;
    }
    const QString domain = MultiUserList::entryDomain(lines.at(listIndex));
    ++listIndex;
    const auto stored = m_platform.keyStore.value(domain);
    if (!stored) {
        // As in the primary pass: one entry without its password must not stop
        // the rest, nor leave its domain beside another entry's password.
        appendHistory(today() + u' ' + timeOfDay() + u' ' +
                      Messages::entryPasswordMissing(languageCode, domain));
        Timer7.setInterval(10);
        return;
    }
    nameedit = domain;
    passedit = StoredPassword::decode(*stored);
    Timer8.setInterval(100);
}

void TForm2::Timer8Timer()
{
    Timer8.setInterval(0);
    if (m_platform.localAddress.localAddress() == QStringLiteral("127.0.0.1")) {
        Timer8.setInterval(1000); // no network yet
        return;
    }
    Button1Click();
}

void TForm2::Timer9Timer()
{
    setLine1(timeOfDay() + Messages::checkStatus(languageCode, Messages::CheckStatus::LocalCheckTick, wgip));
    if (wgip == m_platform.localAddress.localAddress())
        return;
    if (m_session.autoLogin())
        Button5Click();
    else
        Button4Click();
    setLine1(timeOfDay() +
             Messages::checkStatus(languageCode, Messages::CheckStatus::LocalCheckChangeFound, wgip));
}
