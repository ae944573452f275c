#pragma once

#include <QByteArray>

#include <optional>

// Text rules shared by the gateway codecs. Gateway texts are handled as bytes;
// letter case is folded for ASCII a to z only, so a position found in a folded
// copy addresses the same byte in the original.
namespace GatewayText {

QByteArray foldUpper(const QByteArray& text);

// The bytes before the first NUL: a datagram is read as a C string.
QByteArray upToNul(const QByteArray& bytes);

// Drops every byte of code 32 or less from both ends.
QByteArray trimBlanks(const QByteArray& text);

// Each control character (below 32, and 127) a blank: a gateway's text
// shown or stored never starts a line or moves a terminal's cursor.
QByteArray withoutControls(QByteArray text);

// Leading spaces, an optional sign, then decimal digits, or hexadecimal ones
// after "$", "x" or "0x" (x in either case). Anything else, a trailing blank
// included, an empty text and a value beyond the signed 32-bit range give nothing.
std::optional<int> wholeNumber(const QByteArray& text);

} // namespace GatewayText
