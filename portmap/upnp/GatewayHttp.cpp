#include "portmap/upnp/GatewayHttp.h"

#include "portmap/upnp/GatewayText.h"

#include <optional>

using namespace GatewayText;

namespace GatewayHttp {

namespace {

// The value of a header, up to the end of its line or of the block.
std::optional<QByteArray> headerValue(const QByteArray& header, const QByteArray& upperName)
{
    const qsizetype at = foldUpper(header).indexOf(upperName);
    if (at < 0)
        return std::nullopt;
    const qsizetype begin = at + upperName.size();
    const qsizetype end = header.indexOf("\r\n", begin);
    return header.mid(begin, end < 0 ? -1 : end - begin);
}

bool isChunked(const QByteArray& header)
{
    const auto encoding = headerValue(header, "TRANSFER-ENCODING:");
    return encoding && foldUpper(*encoding).contains("CHUNKED");
}

// The chunks joined, once the last chunk and the blank line after its
// trailers have come; nothing before, or when a size line is not one.
std::optional<QByteArray> joinChunks(const QByteArray& body)
{
    QByteArray joined;
    qsizetype at = 0;
    for (;;) {
        const qsizetype lineEnd = body.indexOf("\r\n", at);
        if (lineEnd < 0)
            return std::nullopt;
        QByteArray sizeText = body.mid(at, lineEnd - at);
        if (const qsizetype extension = sizeText.indexOf(';'); extension >= 0)
            sizeText.truncate(extension);
        bool isNumber = false;
        const qint64 size = trimBlanks(sizeText).toLongLong(&isNumber, 16);
        if (!isNumber || size < 0 || size > MaxResponseBytes)
            return std::nullopt;
        at = lineEnd + 2;
        if (size == 0) {
            // Trailer lines, if any, end with a blank line.
            for (qsizetype trailerEnd = body.indexOf("\r\n", at); trailerEnd >= 0;
                 trailerEnd = body.indexOf("\r\n", at)) {
                if (trailerEnd == at)
                    return joined;
                at = trailerEnd + 2;
            }
            return std::nullopt;
        }
        if (body.size() - at < size + 2)
            return std::nullopt;
        joined += body.mid(at, size);
        at += size + 2;
    }
}

} // namespace

QByteArray descriptionRequest(const QByteArray& routerURL, const QByteArray& routerIp, int routerPort)
{
    return "GET " + routerURL + " HTTP/1.1\r\nHost: " + routerIp + ':' + QByteArray::number(routerPort) +
           "\r\n\r\n";
}

Completeness ResponseComplete(const QByteArray& buffer)
{
    const qsizetype blankLine = buffer.indexOf("\r\n\r\n");
    if (blankLine < 0)
        return Completeness::Incomplete;
    const QByteArray header = buffer.left(blankLine);
    const QByteArray body = buffer.mid(blankLine + 4);
    if (isChunked(header))
        return joinChunks(body) ? Completeness::Complete : Completeness::Incomplete;
    const auto lengthText = headerValue(header, "CONTENT-LENGTH:");
    if (!lengthText)
        return Completeness::CompleteAtClose;
    const int length = wholeNumber(*lengthText).value_or(9999999);
    return body.size() >= length ? Completeness::Complete : Completeness::Incomplete;
}

QByteArray joinedChunks(const QByteArray& buffer)
{
    const qsizetype blankLine = buffer.indexOf("\r\n\r\n");
    if (blankLine < 0 || !isChunked(buffer.left(blankLine)))
        return buffer;
    const auto body = joinChunks(buffer.mid(blankLine + 4));
    return body ? buffer.left(blankLine + 4) + *body : buffer;
}

} // namespace GatewayHttp
