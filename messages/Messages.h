#pragma once

#include "messages/LanguageCode.h"

#include <QString>
#include <QStringList>

// Every run-time message of the primary login, in one place. Leading and
// trailing blanks are part of the messages.
namespace Messages {

// The pieces of a login history line.
struct LoginStamp
{
    QString replyDomain;    // the domain field of the reply
    QString displayAddress; // the address with its outside/inside prefix
    QString date;
    QString time;
    QString user;   // the domain field text
    QString expiry; // expiry prefix and text, or empty
};

QString initial();
QString loginSent(const QString& time);
QString startupLoginSent(const QString& time);
QString sendFailed(LanguageCode language);
QString loginSucceeded(LanguageCode language, const QString& time);
QString successHistory(LanguageCode language, const LoginStamp& stamp);
QString repeatedLoginHistory(LanguageCode language, const LoginStamp& stamp);
QString outsideAddressPrefix(LanguageCode language);
QString localAddressPrefix(LanguageCode language);
QString expiryPrefix();
QString domainDisabled();
QString payingUser();
QString freeUser();
QString testUser();
// The status text of a failed login; the history line puts date, time and user before it.
QString loginFailed(LanguageCode language);
QString loginFailedHistory(LanguageCode language, const QString& date, const QString& time,
                           const QString& user);
QString notRegistered(LanguageCode language);
QString noPublicAddress();
// The fixed address is not a dotted-decimal IPv4 address: nothing is sent.
QString fixedAddressInvalid(LanguageCode language);
// The key store lacks its part of the saved credentials.
QString savedCredentialsIncomplete(LanguageCode language);
// The key store exists but cannot be read; the reason names it.
QString savedCredentialsUnreadable(LanguageCode language, const QString& reason);
// The two files that hold the saved login do not match (one was edited, or a
// save was cut short): nothing is restored.
QString savedCredentialsMismatched(LanguageCode language);
// A domain or a password that may not enter (InputRules): not sent, saved or added.
QString domainRefused(LanguageCode language);
QString passwordRefused(LanguageCode language, int maxLength, const QString& codePage);
// The domain or the password holds a control character or a byte-order mark: nothing is sent.
QString loginNotSendable(LanguageCode language);
QString secondCopyUndetectable(LanguageCode language);
// What a run without a screen says of the DNS servers and of its quiet hours.
QString dnsServerName(LanguageCode language, bool secondary);
QString noAnswerSince(LanguageCode language, const QString& server, const QString& time);
QString answersAgain(LanguageCode language, const QString& server);
QString unchangedSummary(LanguageCode language, int checks, int routerPolls);
QString secondInstance();
QString readFailed(LanguageCode language, const QString& file, const QString& reason);
QString writeFailed(LanguageCode language, const QString& file, const QString& reason);
// Another host of the network holds a public port of the mapping list on the router.
QString portHeldByOther(LanguageCode language, int port, const QString& protocol, const QString& holder,
                        const QString& description);
// Routers with UPnP off: NAT-PMP to the default route's gateway.
QString natPmpRouterFound(LanguageCode language, const QString& gateway);
// NAT-PMP maps ports only to the host that asks.
QString natPmpOnlyThisMachine(LanguageCode language, const QString& internalClient);
// The router gave another public port than the one asked for: it holds that one for another host.
QString portTaken(LanguageCode language, int port, const QString& protocol, int offered);
QString natPmpCannotList(LanguageCode language, const QString& gateway);
// Routers that speak PCP (ISP gateways, carrier-grade NAT): the default route's gateway.
QString pcpRouterFound(LanguageCode language, const QString& gateway);
QString pcpOnlyThisMachine(LanguageCode language, const QString& internalClient);
QString pcpCannotList(LanguageCode language, const QString& gateway);
// Another router answers than the one before, as after a move to another network.
QString routerChanged(LanguageCode language, const QString& name, const QString& address);

// What the address checks report; a time stamp goes in front.
enum class CheckStatus
{
    ServerCheckStarted,
    ServerCheckNoChange,
    LocalCheckTick,
    LocalCheckChangeFound,
    ConfirmationMatches,
    LoopbackReceived,
    InternalCheckSent,
    InternalCheckNotSent,
};
// In simplified Chinese some statuses end with the public address.
QString checkStatus(LanguageCode language, CheckStatus status, const QString& publicAddress);

// The secondary session's texts: event-log line 1 and its history lines. Where
// no text of its own exists the primary session's is used.
namespace Secondary {
QString loginSent(const QString& time);
QString sendFailed(LanguageCode language);
QString loginSucceeded(LanguageCode language, const QString& time);
QString successHistory(LanguageCode language, const LoginStamp& stamp);
QString repeatedLoginHistory(LanguageCode language, const LoginStamp& stamp);
QString loginFailedHistory(LanguageCode language, const QString& date, const QString& time,
                           const QString& user);
} // namespace Secondary

// Status-bar texts of the links: no browser could be started (the address
// follows, for copying), or the address box holds no web address.
QString browserUnavailable(LanguageCode language, const QString& url);
QString notAWebAddress(LanguageCode language);
// The folder an installed program keeps its files in cannot be made or used.
QString programFolderUnusable(LanguageCode language, const QString& folder, const QString& reason);

// Replaces event-log lines 0 to 3 while the router has not reported its address.
QStringList routerNotice();
// The server check's status when the router's address proves nothing; a time
// stamp goes in front. Behind another NAT it names the router's address.
QString routerBehindAnotherNat(LanguageCode language, const QString& routerAddress);
QString routerNotAnswering(LanguageCode language);

// History texts of the multi-user list; date and time go in front.
QString entryPasswordMissing(LanguageCode language, const QString& domain);
// The list holds as many lines as it may.
QString listFull(LanguageCode language, int maxLines);

// A login that got no reply to any of its sends; date and time go in front.
QString noAnswer(LanguageCode language, const QString& domain);
// Desktop notices: the server refused the domain; the domain was logged in again with a new address.
QString domainRefusedNotice(LanguageCode language, const QString& domain);
QString addressChangedNotice(LanguageCode language, const QString& domain, const QString& address);
// A success reply that names another domain than the login in flight (a late
// answer to an earlier login); date and time go in front.
QString replyForAnotherDomain(LanguageCode language, const QString& replyDomain, const QString& domain);
// The checks found the same difference again too soon; `until` is a time of day.
QString reloginHeldBack(LanguageCode language, const QString& until);

} // namespace Messages
