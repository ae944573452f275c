#pragma once

#include <QByteArray>

// Judging a gateway's answer to a SOAP action (a complete HTTP response).
namespace SoapAnswer {

// The status line (before the first CR LF) is "HTTP/" (any case), its
// version, one blank, the status code 200 and a blank: the code field alone
// decides, not a "200 OK" that a reason phrase may carry.
bool succeeded(const QByteArray& response);

// The text between <NewExternalIPAddress> and its end tag (any case), as it
// stands; "0.0.0.0" when either tag is missing.
QByteArray externalIp(const QByteArray& response);

} // namespace SoapAnswer
