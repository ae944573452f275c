#pragma once

#include <QByteArray>

// The HTTP side of the gateway exchange: the description request and the test
// that says when a response has arrived whole.
namespace GatewayHttp {

// A response buffer that grows past this without being complete fails its
// task: a gateway that never ends its answer must not take all memory.
inline constexpr qsizetype MaxResponseBytes = 1024 * 1024;

// A request line and one Host header, nothing else.
QByteArray descriptionRequest(const QByteArray& routerURL, const QByteArray& routerIp, int routerPort);

enum class Completeness
{
    Incomplete,
    Complete,
    // No length and not chunked: the body runs until the gateway closes.
    CompleteAtClose,
};

// Complete once the header block has ended and, when it names a
// Content-Length, that many bytes follow it, or, for a chunked body, its last
// chunk has come. A length that is not a whole number never completes.
Completeness ResponseComplete(const QByteArray& buffer);

// The response with a chunked body joined into one; any other response as it is.
QByteArray joinedChunks(const QByteArray& buffer);

} // namespace GatewayHttp
