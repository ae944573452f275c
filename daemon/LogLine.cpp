#include "daemon/LogLine.h"

#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"

#include <QRegularExpression>

#include <algorithm>

QString withoutLeadingTime(const QString& text)
{
    static const QRegularExpression stamp(QStringLiteral(
        R"(^\s*(?:[\d./-]+\s+)?(?:上午|下午|AM|PM)?\s*\d{1,2}:\d{2}(?::\d{2})?(?:\s*(?:AM|PM)\b)?)"),
        QRegularExpression::CaseInsensitiveOption);
    return QString(text).remove(stamp).trimmed();
}

bool saysNothing(const QString& text)
{
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetterOrNumber(); });
}

LogPriority priorityOf(const QString& text, LanguageCode language)
{
    namespace Mapping = Messages::PortMapping;
    const QString warnings[] = {
        Messages::sendFailed(language),     Messages::Secondary::sendFailed(language),
        Messages::loginFailed(language),
        Messages::notRegistered(language),  Messages::domainDisabled(),
        Messages::noPublicAddress(),        Mapping::searchNotStarted(),
        Mapping::searchFailed(),            Mapping::controlPageNotStarted(),
        Mapping::controlPageFailed(),       Mapping::addNotStarted(),
        Mapping::addFailed(),               Mapping::deleteNotStarted(),
        Mapping::deleteFailed(),            Mapping::externalAddressInvalid(),
        Mapping::externalAddressFailed(),
    };
    const bool warning = std::any_of(std::cbegin(warnings), std::cend(warnings), [&](const QString& known) {
        return text.contains(known.trimmed());
    });
    return warning ? LogPriority::Warning : LogPriority::Information;
}

QString withControlsEscaped(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\n')
            escaped += QStringLiteral("\\n");
        else if (code < 0x20 || code == 0x7f)
            escaped += QStringLiteral("\\x%1").arg(int(code), 2, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    return escaped;
}
