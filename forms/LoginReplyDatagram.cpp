#include "forms/LoginReplyDatagram.h"

#include "net/TNMUDP.h"
#include "platform/CodePage.h"

LoginExchange::Reply receiveLoginReply(const TNMUDP& endpoint, const CodePage& codePage)
{
    QByteArray buffer(10000, '\0');
    int length = 0;
    endpoint.FetchBytes(buffer, length);
    return LoginExchange::parseReply(length > 0 ? codePage.decodeUpToNul(buffer.left(length)) : QString());
}
