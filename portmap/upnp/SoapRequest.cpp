#include "portmap/upnp/SoapRequest.h"

namespace SoapRequest {

namespace {

const QByteArray EnvelopeNamespace = "\"http://schemas.xmlsoap.org/soap/envelope/\"";
const QByteArray EncodingNamespace = "\"http://schemas.xmlsoap.org/soap/encoding/\"";
const QByteArray ServicePrefix = "urn:schemas-upnp-org:service:";

QByteArray request(const Target& target, const char* version, const QByteArray& action,
                   const QByteArray& body)
{
    return "POST " + requestPath(target.controlURL) + ' ' + version + "\r\n" + "Host: " + target.host + ':' +
           QByteArray::number(target.port) + "\r\n" + "SoapAction: \"" + ServicePrefix + target.service +
           ":1#" + action + "\"\r\n" + "Content-Type: text/xml; charset=\"utf-8\"\r\n" +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n" + "\r\n" + body;
}

// The envelope's start tag on one line, then one line for each argument element.
QByteArray oneLineEnvelope(const QByteArray& service, const QByteArray& action, const QByteArray& arguments)
{
    return "<?xml version=\"1.0\"?>\r\n<s:Envelope xmlns:s=" + EnvelopeNamespace +
           " s:encodingStyle=" + EncodingNamespace + ">\r\n" + "<s:Body>\r\n" + "<u:" + action +
           " xmlns:u=\"" + ServicePrefix + service + ":1\">\r\n" + arguments + "</u:" + action + ">\r\n" +
           "</s:Body>\r\n" + "</s:Envelope>\r\n";
}

} // namespace

QByteArray argument(const char* name, const QByteArray& value)
{
    return QByteArray("<") + name + '>' + value + "</" + name + ">\r\n";
}

namespace {

QByteArray mappingKey(int externalPort, const QByteArray& protocol)
{
    return argument("NewRemoteHost", {}) + argument("NewExternalPort", QByteArray::number(externalPort)) +
           argument("NewProtocol", protocol);
}

} // namespace

QByteArray requestPath(const QByteArray& controlURL)
{
    const QByteArray rest = controlURL.mid(7);
    const qsizetype slash = rest.indexOf('/');
    return slash < 0 ? rest : rest.mid(slash);
}

QByteArray addPortMapping(const Target& target, const QByteArray& description, int externalPort,
                          const QByteArray& internalClient, int internalPort, const QByteArray& protocol)
{
    const QByteArray body =
        "<?xml version=\"1.0\"?>\r\n"
        "<s:Envelope xmlns:s=" +
        EnvelopeNamespace + "\r\ns:encodingStyle=" + EncodingNamespace + ">\r\n" + "<s:Body>\r\n" +
        "<u:AddPortMapping xmlns:u=\"" + ServicePrefix + target.service + ":1\">\r\n" +
        "<NewRemoteHost></NewRemoteHost>\r\n" + "<NewExternalPort>" + QByteArray::number(externalPort) +
        "</NewExternalPort>\r\n" + "<NewProtocol>" + protocol + "</NewProtocol>\r\n" + "<NewInternalPort>" +
        QByteArray::number(internalPort) + "</NewInternalPort>\r\n" + "<NewInternalClient>" + internalClient +
        "</NewInternalClient>\r\n" + "<NewEnabled>1</NewEnabled>\r\n" + "<NewPortMappingDescription>" +
        description + "</NewPortMappingDescription>\r\n" + "<NewLeaseDuration>0</NewLeaseDuration>\r\n" +
        "</u:AddPortMapping>\r\n" + "</s:Body>\r\n" + "</s:Envelope>\r\n";
    return request(target, "HTTP/1.1", "AddPortMapping", body);
}

QByteArray getExternalIPAddress(const Target& target)
{
    return request(target, "HTTP/1.0", "GetExternalIPAddress",
                   oneLineEnvelope("WANIPConnection", "GetExternalIPAddress", {}));
}

QByteArray deletePortMapping(const Target& target, int externalPort, const QByteArray& protocol)
{
    return request(target, "HTTP/1.0", "DeletePortMapping",
                   oneLineEnvelope(target.service, "DeletePortMapping", mappingKey(externalPort, protocol)));
}

QByteArray getSpecificPortMappingEntry(const Target& target, int externalPort, const QByteArray& protocol)
{
    return request(
        target, "HTTP/1.0", "GetSpecificPortMappingEntry",
        oneLineEnvelope(target.service, "GetSpecificPortMappingEntry", mappingKey(externalPort, protocol)));
}

QByteArray getGenericPortMappingEntry(const Target& target, int index)
{
    return request(target, "HTTP/1.0", "GetGenericPortMappingEntry",
                   oneLineEnvelope(target.service, "GetGenericPortMappingEntry",
                                   argument("NewPortMappingIndex", QByteArray::number(index))));
}

QByteArray action(const Target& target, const QByteArray& name, const QByteArray& arguments)
{
    return request(target, "HTTP/1.0", name, oneLineEnvelope(target.service, name, arguments));
}

} // namespace SoapRequest
