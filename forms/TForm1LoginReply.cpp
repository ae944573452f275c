#include "forms/TForm1.h"

#include "forms/LoginReplyDatagram.h"
#include "net/TNMUDP.h"
#include "registration/AccountRules.h"
#include "registration/LoginExchange.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"
#include "ui/StatusPanels.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

using namespace LoginExchange;

void TForm1::NMUDP1DataReceived(int, const QString& FromIP, int Port)
{
    if (!m_awaitedReply.accepts(FromIP, Port))
        return;
    const Reply reply = receiveLoginReply(*NMUDP1, m_codePage);
    if (reply.kind == ReplyKind::Unrecognised)
        return;
    m_awaitedReply.answered();
    m_session.reportLoginReply(nameedit->text().trimmed(), reply.kind, reply.resolvedAddress);
    switch (reply.kind) {
    case ReplyKind::Disabled:
        Timer4.setInterval(0);
        dlrz->setLine(0, Messages::domainDisabled());
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

void TForm1::onSuccessReply(const Reply& reply)
{
    Timer4.setInterval(0);
    // The login changed what is published: the checks may log in at once again.
    if (reply.resolvedAddress != wgip)
        m_reloginBackoff.reset();
    m_firstServerCheckAfterLogin = true;
    m_routerBehindAnotherNat = false;
    padSettingsLines(m_session.settingsLines, SettingsLine::Count);
    m_session.settingsLines[SettingsLine::AccountType] = AccountRules::accountTypeFor(reply.accountCode);
    if (const auto message = AccountRules::accountMessage(reply.accountCode))
        dlrz->setLine(2, *message);
    SaveSettingsLines();
    armCheckAfterSuccess();

    const QString time = timeOfDay();
    setStatus(Messages::loginSucceeded(languageCode, time));
    dlrz->setLine(0, statusText);
    wgip = reply.resolvedAddress;
    Label7->setText(wgip);
    if (const QString page = accountPage(primaryServerHost, reply, m_codePage);
        !page.isEmpty() && m_pageThrottle.allow(reply.accountCode, m_platform.clock.now()))
        openPage(page);

    const QString address =
        m_session.displayAddress(languageCode, reply.resolvedAddress, m_platform.localAddress.localAddress());
    Messages::LoginStamp stamp{reply.replyDomain, address, today(), time, nameedit->text(), {}};
    statusText = Messages::repeatedLoginHistory(languageCode, stamp);
    if (reply.replyDomain.contains(QStringLiteral("Repeat landing"))) {
        stamp.expiry = AccountRules::primaryRepeatedLoginExpiry(reply);
        dlrz->appendLine(Messages::repeatedLoginHistory(languageCode, stamp));
    } else {
        stamp.expiry = AccountRules::primaryExpiry(reply);
        dlrz->appendLine(Messages::successHistory(languageCode, stamp));
    }
}

// Runs before the public address takes the reply's value: a public address
// equal to the local one means the machine sits on the Internet directly.
void TForm1::armCheckAfterSuccess()
{
    if (isOn(m_session.settingsLines, SettingsLine::MultiUser)) {
        Timer7.setInterval(10);
        return;
    }
    if (m_session.fixedAddress)
        return;
    if (wgip == m_platform.localAddress.localAddress() || m_session.resolveLocalTicked)
        Timer9.setInterval(3000);
    else
        Timer5.setInterval(15000);
}

// A refused domain is one entry of the list: the rest still log in, and the
// end of the pass arms the checks.
void TForm1::continueListPass()
{
    if (isOn(m_session.settingsLines, SettingsLine::MultiUser))
        Timer7.setInterval(10);
}

void TForm1::onNotRegisteredReply(const Reply& reply)
{
    Timer4.setInterval(0);
    continueListPass();
    statusText = Messages::loginFailed(languageCode);
    dlrz->appendLine(Messages::loginFailedHistory(languageCode, today(), timeOfDay(), nameedit->text()));
    StatusBar1->setPanelText(0, Messages::notRegistered(languageCode));
    if (m_pageThrottle.allow(QStringLiteral("registration"), m_platform.clock.now()))
        openPage(registrationPage(primaryServerHost, reply.registrationCode, nameedit->text(),
                                  passedit->text(), m_codePage));
}
