#include "portmap/SoapAnswer.h"

#include "portmap/GatewayText.h"

using namespace GatewayText;

namespace SoapAnswer {

bool succeeded(const QByteArray& response)
{
    const qsizetype end = response.indexOf("\r\n");
    return foldUpper(end < 0 ? response : response.left(end)).contains("200 OK");
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
