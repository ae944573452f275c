#pragma once

#include <QByteArray>

// Judging a gateway's answer to a SOAP action (a complete HTTP response).
namespace SoapAnswer {

// The status line (before the first CR LF) contains "200 OK", any case.
bool succeeded(const QByteArray& response);

// The text between <NewExternalIPAddress> and its end tag (any case), as it
// stands; "0.0.0.0" when either tag is missing.
QByteArray externalIp(const QByteArray& response);

} // namespace SoapAnswer
