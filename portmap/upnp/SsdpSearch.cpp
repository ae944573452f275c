#include "portmap/upnp/SsdpSearch.h"

#include "platform/DottedIPv4.h"
#include "portmap/upnp/GatewayText.h"

#include <QList>

#include <algorithm>

using namespace GatewayText;

namespace SsdpSearch {

namespace {

bool hasControlCharacter(const QByteArray& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 0x20 || code == 0x7F;
    });
}

bool isRequest(const QByteArray& datagram)
{
    return foldUpper(datagram.left(8)) == "M-SEARCH" || foldUpper(datagram.left(6)) == "NOTIFY";
}

} // namespace

QByteArray request()
{
    return QByteArrayLiteral("M-SEARCH * HTTP/1.1\r\n"
                             "HOST: 239.255.255.250:1900\r\n"
                             "MAN: \"ssdp:discover\"\r\n"
                             "MX: 3\r\n"
                             "ST: upnp:rootdevice\r\n"
                             "\r\n");
}

QByteArray headerValue(const QByteArray& text, const QByteArray& upperName)
{
    const qsizetype at = foldUpper(text).indexOf(upperName);
    if (at < 0)
        return {};
    const qsizetype begin = at + upperName.size();
    const qsizetype end = text.indexOf("\r\n", begin);
    return trimBlanks(text.mid(begin, end < 0 ? -1 : end - begin));
}

std::optional<Answer> readAnswer(const QByteArray& datagram)
{
    if (foldUpper(datagram.left(5)) != "HTTP/")
        return std::nullopt;
    return Answer{headerValue(datagram, "LOCATION:"), withoutControls(headerValue(datagram, "SERVER:")),
                  headerValue(datagram, "USN:"), headerValue(datagram, "BOOTID.UPNP.ORG:")};
}

Location splitLocation(const QByteArray& location)
{
    Location parts;
    QByteArray rest = location;
    if (foldUpper(rest.left(7)) == "HTTP://")
        rest.remove(0, 7);
    const qsizetype colon = rest.indexOf(':');
    if (colon < 0)
        return parts;
    parts.routerIp = rest.left(colon);
    rest.remove(0, colon + 1);
    const qsizetype slash = rest.indexOf('/');
    if (slash >= 1) {
        parts.routerPort = wholeNumber(rest.left(slash)).value_or(-1);
        parts.routerURL = rest.mid(slash);
    } else {
        if (rest.isEmpty())
            return parts;
        parts.routerPort = wholeNumber(rest).value_or(-1);
        parts.routerURL = "/";
    }
    parts.complete = true;
    return parts;
}

QByteArray urlBase(const QByteArray& routerIp, int routerPort, const QByteArray& routerURL)
{
    const QByteArray whole = "http://" + routerIp + ':' + QByteArray::number(routerPort) + routerURL;
    return whole.left(whole.lastIndexOf('/'));
}

bool usable(const Location& location)
{
    return location.complete && !trimBlanks(*location.routerIp).isEmpty() && location.routerPort > 0 &&
           location.routerPort <= 65535;
}

std::optional<Location> trustedLocation(const QByteArray& location, const QByteArray& senderIp)
{
    if (hasControlCharacter(location))
        return std::nullopt;
    Location parts = splitLocation(location);
    if (!usable(parts) || !isDottedIPv4(QString::fromLatin1(*parts.routerIp)) || *parts.routerIp != senderIp)
        return std::nullopt;
    return parts;
}

Reading readDatagram(const QByteArray& datagram, const QByteArray& senderIp)
{
    const QByteArray text = upToNul(datagram);
    if (isRequest(text))
        return {};
    const std::optional<Answer> answer = readAnswer(text);
    if (!answer)
        return {Reading::Fail, {}, {}};
    const std::optional<Location> location = trustedLocation(answer->location, senderIp);
    if (!location)
        return {};
    return {Reading::Found, *answer, *location};
}

} // namespace SsdpSearch
