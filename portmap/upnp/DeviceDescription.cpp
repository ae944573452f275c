#include "portmap/upnp/DeviceDescription.h"

#include "portmap/upnp/GatewayText.h"

using namespace GatewayText;

namespace DeviceDescription {

namespace {

// The response and its folded copy, consumed from the front by moving a cursor.
class Cursor
{
public:
    explicit Cursor(const QByteArray& text) : m_text(text), m_folded(foldUpper(text)) {}

    qsizetype find(const QByteArray& upper) const { return m_folded.indexOf(upper, m_at); }
    bool contains(const QByteArray& upper) const { return find(upper) >= 0; }

    // Moves past the first occurrence; false when there is none.
    bool consumeThrough(const QByteArray& upper)
    {
        const qsizetype at = find(upper);
        if (at < 0)
            return false;
        m_at = at + upper.size();
        return true;
    }

    // Moves past the first occurrence of the element in either version.
    bool consumeThroughEither(const QByteArray& upperFirst, const QByteArray& upperSecond)
    {
        const qsizetype first = find(upperFirst);
        const qsizetype second = find(upperSecond);
        if (first < 0 && second < 0)
            return false;
        const bool takeFirst = first >= 0 && (second < 0 || first <= second);
        m_at = takeFirst ? first + upperFirst.size() : second + upperSecond.size();
        return true;
    }

    // Offset of an occurrence from the cursor, or -1.
    qsizetype distanceTo(const QByteArray& upper) const
    {
        const qsizetype at = find(upper);
        return at < 0 ? -1 : at - m_at;
    }

    QByteArray take(qsizetype length) const { return m_text.mid(m_at, length); }

private:
    const QByteArray& m_text;
    QByteArray m_folded;
    qsizetype m_at = 0;
};

QByteArray element(const char* tag, const QByteArray& kind, const QByteArray& name, char version)
{
    const QByteArray upperTag = foldUpper(tag);
    return '<' + upperTag + ">URN:SCHEMAS-UPNP-ORG:" + kind + ':' + foldUpper(name) + ':' + version + "</" +
           upperTag + '>';
}

bool consumeDevice(Cursor& cursor, const QByteArray& device)
{
    return cursor.consumeThroughEither(element("deviceType", "DEVICE", device, '1'),
                                       element("deviceType", "DEVICE", device, '2'));
}

bool containsService(const Cursor& cursor, const QByteArray& service)
{
    return cursor.contains(element("serviceType", "SERVICE", service, '1')) ||
           cursor.contains(element("serviceType", "SERVICE", service, '2'));
}

// The control URL inside the service element of that type, never one of a later service.
std::optional<QByteArray> serviceControlURL(Cursor cursor, const QByteArray& service)
{
    if (!cursor.consumeThrough(element("serviceType", "SERVICE", service, '1')))
        return std::nullopt;
    const qsizetype control = cursor.distanceTo("<CONTROLURL>");
    const qsizetype serviceEnd = cursor.distanceTo("</SERVICE>");
    if (control < 0 || (serviceEnd >= 0 && serviceEnd < control))
        return std::nullopt;
    cursor.consumeThrough("<CONTROLURL>");
    const qsizetype end = cursor.distanceTo("</CONTROLURL>");
    if (end < 0)
        return std::nullopt;
    return cursor.take(end);
}

} // namespace

QByteArray joinControlURL(const QByteArray& urlBase, const QByteArray& controlURL)
{
    if (foldUpper(controlURL.left(7)) == "HTTP://")
        return controlURL;
    const bool baseSlash = urlBase.endsWith('/');
    const bool controlSlash = controlURL.startsWith('/');
    if (baseSlash && controlSlash)
        return urlBase + controlURL.mid(1);
    if (!baseSlash && !controlSlash)
        return urlBase + '/' + controlURL;
    return urlBase + controlURL;
}

Walk walk(const QByteArray& response, const QByteArray& urlBase)
{
    Walk result{urlBase, std::nullopt, std::nullopt, std::nullopt};
    Cursor cursor(response);

    if (cursor.consumeThrough("<URLBASE>")) {
        const qsizetype end = cursor.distanceTo("</URLBASE>");
        if (end >= 1)
            result.urlBase = cursor.take(end);
    } else if (const qsizetype dyndev = result.urlBase.indexOf("/dyndev"); dyndev >= 0) {
        result.urlBase.truncate(dyndev);
    }

    if (!consumeDevice(cursor, "InternetGatewayDevice") || !consumeDevice(cursor, "WANDevice") ||
        !consumeDevice(cursor, "WANConnectionDevice"))
        return result;
    if (const auto firewall = serviceControlURL(cursor, "WANIPv6FirewallControl"))
        result.firewallControlURL = joinControlURL(result.urlBase, *firewall);

    QByteArray service = "WANIPConnection";
    result.service = service;
    if (containsService(cursor, "WANPPPConnection"))
        service = "WANPPPConnection";
    else if (!containsService(cursor, "WANIPConnection"))
        return result;
    result.service = service;

    cursor.consumeThroughEither(element("serviceType", "SERVICE", service, '1'),
                                element("serviceType", "SERVICE", service, '2'));
    if (!cursor.consumeThrough("<CONTROLURL>"))
        return result;
    const qsizetype end = cursor.distanceTo("</CONTROLURL>");
    if (end < 0)
        return result;
    result.controlURL = joinControlURL(result.urlBase, cursor.take(end));
    return result;
}

} // namespace DeviceDescription
