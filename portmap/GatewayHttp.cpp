#include "portmap/GatewayHttp.h"

#include "portmap/GatewayText.h"

using namespace GatewayText;

namespace GatewayHttp {

QByteArray descriptionRequest(const QByteArray& routerURL, const QByteArray& routerIp, int routerPort)
{
    return "GET " + routerURL + " HTTP/1.1\r\nHost: " + routerIp + ':' + QByteArray::number(routerPort) +
           "\r\n\r\n";
}

bool ResponseComplete(const QByteArray& buffer)
{
    const qsizetype blankLine = buffer.indexOf("\r\n\r\n");
    if (blankLine < 0)
        return false;
    const QByteArray header = buffer.left(blankLine);
    static const QByteArray name = "CONTENT-LENGTH:";
    const qsizetype at = foldUpper(header).indexOf(name);
    if (at < 0)
        return true;
    const qsizetype begin = at + name.size();
    const qsizetype end = header.indexOf("\r\n", begin);
    const int length = wholeNumber(header.mid(begin, end < 0 ? -1 : end - begin)).value_or(9999999);
    return buffer.size() - blankLine - 4 >= length;
}

} // namespace GatewayHttp
