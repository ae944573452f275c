#pragma once

#include <QByteArray>

// The SOAP actions sent to the gateway's WAN connection service. Values
// go in as given, without XML escaping: callers pass numbers, addresses and
// plain names.
namespace SoapRequest {

// Where a request goes and which service it names.
struct Target
{
    QByteArray controlURL; // only its path is used
    QByteArray host;
    int port = 0;
    QByteArray service; // "WANIPConnection" or "WANPPPConnection"
};

// The control URL without "http://" and without the host and port after it;
// unchanged after the first seven characters when no "/" follows them.
QByteArray requestPath(const QByteArray& controlURL);

QByteArray addPortMapping(const Target& target, const QByteArray& description, int externalPort,
                          const QByteArray& internalClient, int internalPort, const QByteArray& protocol);

// Its body always names WANIPConnection; the SoapAction header names the service.
QByteArray getExternalIPAddress(const Target& target);

QByteArray deletePortMapping(const Target& target, int externalPort, const QByteArray& protocol);

// The body names the service's version 1, which version 2 services accept too.
QByteArray getSpecificPortMappingEntry(const Target& target, int externalPort, const QByteArray& protocol);

QByteArray getGenericPortMappingEntry(const Target& target, int index);

// Any action of the target's service, version 1, over HTTP/1.0; `arguments`
// made of `argument` lines.
QByteArray action(const Target& target, const QByteArray& name, const QByteArray& arguments);
QByteArray argument(const char* name, const QByteArray& value);

} // namespace SoapRequest
