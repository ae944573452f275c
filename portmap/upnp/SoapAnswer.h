#pragma once

#include <QByteArray>

#include <optional>

// Judging a gateway's answer to a SOAP action (a complete HTTP response).
namespace SoapAnswer {

// The status line (before the first CR LF) is "HTTP/" (any case), its
// version, one blank, the status code 200 and a blank: the code field alone
// decides, not a "200 OK" that a reason phrase may carry.
bool succeeded(const QByteArray& response);

// The text between <NewExternalIPAddress> and its end tag (any case), as it
// stands; "0.0.0.0" when either tag is missing.
QByteArray externalIp(const QByteArray& response);

// One port mapping as a gateway reports it. Only validated values get here.
struct MappingEntry
{
    QByteArray remoteHost;     // empty: any; kept only when it is a dotted IPv4 address, else empty
    int externalPort = 0;      // 0 when the answer does not carry it (GetSpecificPortMappingEntry does not)
    QByteArray protocol;       // "TCP" or "UDP" (folded to upper case); empty when not carried
    int internalPort = 0;      // 1..65535
    QByteArray internalClient; // dotted IPv4 address
    bool enabled = true;       // NewEnabled "0" -> false, anything else true
    // Control characters (< 0x20, 0x7F) replaced by blanks, at most 256 bytes, UTF-8 cut on a
    // character boundary.
    QByteArray description;
    qint64 leaseDuration = 0; // seconds; 0 when absent or not a number
};

// The entry of a successful answer (succeeded(response)) to GetSpecificPortMappingEntry or
// GetGenericPortMappingEntry. nullopt when the answer failed, or lacks a valid NewInternalClient
// or NewInternalPort (or, when NewProtocol / NewExternalPort are present, they are invalid).
// Element names match in any case, with or without a namespace prefix ("<m:NewInternalPort>" too).
// An element counts only with its own end tag and nothing but text inside; values may be
// surrounded by blanks; numbers are decimal digits; the five predefined XML entities of the
// description are decoded.
std::optional<MappingEntry> mappingEntry(const QByteArray& response);

// The UPnP error of a failed answer: <errorCode> and <errorDescription> of the SOAP fault
// (any case, any prefix). nullopt when the answer has no errorCode that is a whole number
// in 1..9999. The description: control characters replaced by blanks, trimmed, at most 200 bytes.
// A successful answer has no fault, whatever it holds.
struct Fault
{
    // UPnP's "NoSuchEntryInArray": the router holds no such mapping.
    static constexpr int noSuchEntry = 714;

    int code = 0;
    QByteArray description;
};
std::optional<Fault> fault(const QByteArray& response);

// The text of the first element of that name (upper case, no prefix), as
// mappingEntry reads each of its elements; nullopt when there is none.
std::optional<QByteArray> elementText(const QByteArray& response, const QByteArray& upperName);

// A whole decimal number with XML blanks around it, at most 18 digits.
std::optional<qint64> decimal(const QByteArray& text);

} // namespace SoapAnswer
