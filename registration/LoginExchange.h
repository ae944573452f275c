#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class CodePage;

// The plain-text exchange with the provider's DNS servers: where a login goes,
// what it says, and what the replies mean.
namespace LoginExchange {

inline constexpr int localPort = 9812;
inline constexpr int ordinaryPort = 9824;
inline constexpr int payingUserPort = 9822;
inline constexpr int designatedZonePort = 9715;
inline constexpr int secondaryPort = 9725;

// The last two labels of the domain, trimmed; nothing for a domain without a dot.
std::optional<QString> zoneOf(const QString& domain);

// "main." + the zone when the zone is listed, else the fallback host
// ("main." + the 19th built-in zone).
QString primaryServerHost(const QString& domain, const QStringList& zoneList);

// Whether the secondary server serves the domain too: its primary server host
// names the 19th built-in zone (letter case aside).
bool isSecondaryEligible(const QString& serverHost);

// "main2." + the 19th built-in zone.
QString secondaryServerHost();

// 9824, 9822 for a paying user (settings line 5 "6"), 9715 for hosts in the two
// designated zones; the last matching rule wins.
int remotePort(const QString& serverHost, const QString& accountTypeLine);

enum class AddressMode
{
    Public, // the server publishes the source address it sees
    Local,
    Fixed
};

QString loginDatagram(const QString& domain, const QString& password, AddressMode mode,
                      const QString& address);

// No login goes out with a control character or a byte-order mark in its
// domain or password: such a text was never typed, it came from a damaged file.
bool isSendableCredential(const QString& text);

// The address part of a login datagram: none in public mode.
struct LoginDatagramAddress
{
    AddressMode mode = AddressMode::Public;
    QString text;
};

enum class ReplyKind
{
    Unrecognised,
    Success,       // "dengluok"
    Disabled,      // "stopfuwu"
    NotRegistered, // "nzhuceyonghu"
};

struct Reply
{
    ReplyKind kind = ReplyKind::Unrecognised;
    QString accountCode;           // one character, or empty when the reply is shorter
    QString replyDomain;           // from the 12th character up to the first "&&&"
    QString resolvedAddress;       // between the first and the second "&&&"
    QString expiry;                // between the first "sj" and the first "end"
    bool hasExpiryMarkers = false; // the reply holds both "sj" and "end"
    QString reminderId;            // the character after the first "###"
    QString registrationCode;      // the 13th character of a not-registered reply
};

Reply parseReply(const QString& text);

// The page a success reply's account code asks to open ("9", "a" or "b"),
// empty for every other code. The reminder id comes from the network, so it is
// percent-encoded and cannot add parameters.
QString accountPage(const QString& serverHost, const Reply& reply, const CodePage& codePage);

// The registration page for a domain the server does not know. The values are
// percent-encoded in the code page, so that "&", "#", "%", "+" or a blank in a
// password cannot break the address.
QString registrationPage(const QString& serverHost, const QString& registrationCode, const QString& domain,
                         const QString& password, const CodePage& codePage);

} // namespace LoginExchange
