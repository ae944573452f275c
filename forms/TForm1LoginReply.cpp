#include "forms/TForm1.h"

#include "forms/LoginReplyDatagram.h"
#include "net/TNMUDP.h"
#include "registration/LoginExchange.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"
#include "messages/Messages.h"
#include "ui/StatusPanels.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

using namespace LoginExchange;

namespace {

// The account code's line-2 message and whether it marks a paying user.
void applyAccountCode(const QString& code, EventLog& log, QStringList& settings)
{
    padSettingsLines(settings, SettingsLine::Count);
    settings[SettingsLine::AccountType] =
        code == QStringLiteral("0") ? QStringLiteral("6") : QStringLiteral("0");
    if (code == QStringLiteral("0"))
        log.setLine(2, Messages::payingUser());
    else if (code == QStringLiteral("1"))
        log.setLine(2, Messages::freeUser());
    else if (code == QStringLiteral("5"))
        log.setLine(2, Messages::testUser());
}

} // namespace

void TForm1::NMUDP1DataReceived(int, const QString& FromIP)
{
    // Only the server the login went to may answer it: anyone else could open
    // pages carrying the password, stop the retries or switch the port.
    if (FromIP != NMUDP1->lastRemoteIP())
        return;
    const Reply reply = receiveLoginReply(*NMUDP1, m_codePage);
    switch (reply.kind) {
    case ReplyKind::Disabled:
        Timer4.setInterval(0);
        dlrz->setLine(0, Messages::domainDisabled());
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
    QString expiry = reply.expiry;
    if (!expiry.trimmed().isEmpty() && expiry.trimmed() != QStringLiteral("."))
        expiry = Messages::expiryPrefix() + expiry;
    applyAccountCode(reply.accountCode, *dlrz, Memo4);
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

    Messages::LoginStamp stamp{reply.replyDomain, displayAddress(languageCode, reply.resolvedAddress),
                               today(),           time,
                               nameedit->text(),  {}};
    statusText = Messages::repeatedLoginHistory(languageCode, stamp);
    if (reply.replyDomain.contains(QStringLiteral("Repeat landing"))) {
        stamp.expiry = reply.hasExpiryMarkers ? Messages::expiryPrefix() + reply.expiry : expiry;
        dlrz->appendLine(Messages::repeatedLoginHistory(languageCode, stamp));
    } else {
        stamp.expiry = expiry;
        dlrz->appendLine(Messages::successHistory(languageCode, stamp));
    }
}

// Runs before the public address takes the reply's value: a public address
// equal to the local one means the machine sits on the Internet directly.
void TForm1::armCheckAfterSuccess()
{
    if (isOn(Memo4, SettingsLine::MultiUser)) {
        Timer7.setInterval(10);
        return;
    }
    if (CheckBox2->isChecked())
        return;
    if (wgip == m_platform.localAddress.localAddress() || CheckBox5->isChecked())
        Timer9.setInterval(3000);
    else
        Timer5.setInterval(15000);
}

QString TForm1::displayAddress(LanguageCode language, const QString& resolvedAddress)
{
    if (language == LanguageCode::Jt && CheckBox2->isChecked())
        return Edit4->text();
    if (iptype == QStringLiteral("1"))
        return Messages::localAddressPrefix(language) + m_platform.localAddress.localAddress();
    return Messages::outsideAddressPrefix(language) + resolvedAddress;
}

void TForm1::onNotRegisteredReply(const Reply& reply)
{
    Timer4.setInterval(0);
    statusText = Messages::loginFailed(languageCode);
    dlrz->appendLine(Messages::loginFailedHistory(languageCode, today(), timeOfDay(), nameedit->text()));
    StatusBar1->setPanelText(0, Messages::notRegistered(languageCode));
    if (m_pageThrottle.allow(QStringLiteral("registration"), m_platform.clock.now()))
        openPage(registrationPage(primaryServerHost, reply.registrationCode, nameedit->text(),
                                  passedit->text(), m_codePage));
}
