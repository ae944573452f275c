#include "registration/CheckDatagram.h"

#include <algorithm>

namespace CheckDatagram {

namespace {

const QString fieldSeparator = QStringLiteral("&&&");

std::optional<qint64> wholeNumber(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// The text after the first "&&&".
std::optional<QString> afterAddress(const QString& datagram)
{
    const qsizetype at = datagram.indexOf(fieldSeparator);
    if (at < 0)
        return std::nullopt;
    return datagram.mid(at + fieldSeparator.size());
}

} // namespace

bool isLoopback(const QString& datagram)
{
    return datagram.contains(QStringLiteral("8*888"));
}

std::optional<QString> address(const QString& datagram)
{
    const qsizetype at = datagram.indexOf(fieldSeparator);
    if (at < 0)
        return std::nullopt;
    return datagram.left(at);
}

std::optional<int> port(const QString& datagram)
{
    const auto rest = afterAddress(datagram);
    if (!rest)
        return std::nullopt;
    const qsizetype end = rest->indexOf(fieldSeparator);
    if (end < 0)
        return std::nullopt;
    const auto value = wholeNumber(rest->left(end));
    if (!value || *value < 1 || *value > 65535)
        return std::nullopt;
    return int(*value);
}

std::optional<int> intervalMs(const QString& datagram)
{
    const auto rest = afterAddress(datagram);
    if (!rest)
        return std::nullopt;
    const qsizetype separator = rest->indexOf(fieldSeparator);
    const qsizetype end = rest->indexOf(QStringLiteral("###"));
    if (separator < 0 || end < separator + fieldSeparator.size())
        return std::nullopt;
    const qsizetype start = separator + fieldSeparator.size();
    const auto value = wholeNumber(rest->mid(start, end - start));
    if (!value || *value < 0)
        return std::nullopt;
    return int(std::min(*value, maxIntervalNumber) * 2000);
}

} // namespace CheckDatagram
