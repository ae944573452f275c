#include "portmap/SoapAnswer.h"

#include "portmap/GatewayText.h"

using namespace GatewayText;

namespace SoapAnswer {

bool succeeded(const QByteArray& response)
{
    const qsizetype end = response.indexOf("\r\n");
    const QByteArray statusLine = end < 0 ? response : response.left(end);
    const qsizetype blank = statusLine.indexOf(' ');
    return foldUpper(statusLine.left(5)) == "HTTP/" && blank > 0 && statusLine.mid(blank + 1, 4) == "200 ";
}

QByteArray externalIp(const QByteArray& response)
{
    static const QByteArray open = "<NEWEXTERNALIPADDRESS>";
    static const QByteArray close = "</NEWEXTERNALIPADDRESS>";
    const QByteArray folded = foldUpper(response);
    const qsizetype at = folded.indexOf(open);
    if (at < 0)
        return "0.0.0.0";
    const qsizetype begin = at + open.size();
    const qsizetype end = folded.indexOf(close, begin);
    if (end < 0)
        return "0.0.0.0";
    return response.mid(begin, end - begin);
}

} // namespace SoapAnswer
