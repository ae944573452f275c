#include "settings/InputRules.h"

#include "platform/CodePage.h"
#include "platform/DottedIPv4.h"

#include <QStringList>

#include <algorithm>

namespace InputRules {

namespace {

// Such a character ends a line in a file or a log, steers a terminal, or
// hides in a text that looks right.
bool isHidden(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::ByteOrderMark || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

bool holdsHidden(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), isHidden);
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool allDigits(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), isDigit);
}

bool isLabelCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || isDigit(c) || c == u'-';
}

QString labelProblem(const QString& label)
{
    if (label.isEmpty())
        return QStringLiteral("the domain has an empty label (a dot at an end, or two dots)");
    if (label.size() > 63)
        return QStringLiteral("a label of the domain is longer than 63 characters");
    if (!std::all_of(label.cbegin(), label.cend(), isLabelCharacter))
        return QStringLiteral("the domain holds a character other than a letter, a digit, '-' or '.'");
    if (label.startsWith(u'-') || label.endsWith(u'-'))
        return QStringLiteral("a label of the domain starts or ends with '-'");
    return {};
}

// "address:port", one end of a mapping line.
QString mappingEndProblem(const QString& end)
{
    const qsizetype colon = end.lastIndexOf(u':');
    if (colon < 0)
        return QStringLiteral("the mapping line lacks the ':' between an address and its port");
    if (QString why = ipv4Problem(end.left(colon)); !why.isEmpty())
        return why;
    return portTextProblem(end.mid(colon + 1));
}

} // namespace

QString domainProblem(const QString& domain)
{
    if (holdsHidden(domain))
        return QStringLiteral("the domain holds a control character");
    const QString name = domain.trimmed();
    if (name.isEmpty())
        return QStringLiteral("the domain is empty");
    if (name.size() > maxDomainLength)
        return QStringLiteral("the domain is longer than %1 characters").arg(maxDomainLength);
    for (const QString& label : name.split(u'.'))
        if (QString why = labelProblem(label); !why.isEmpty())
            return why;
    return {};
}

QString passwordProblem(const QString& password, int languageId)
{
    if (holdsHidden(password))
        return QStringLiteral("the password holds a control character");
    const QString typed = password.trimmed();
    if (typed.isEmpty())
        return QStringLiteral("the password is empty");
    if (typed.size() > maxPasswordLength)
        return QStringLiteral("the password is longer than %1 characters").arg(maxPasswordLength);
    // Saved and sent as another password otherwise: the missing characters become "?".
    const CodePage codePage = CodePage::forLanguage(languageId);
    if (!codePage.holds(typed))
        return QStringLiteral("the settings file's code page (%1) cannot hold the password")
            .arg(QString::fromLatin1(codePage.name()));
    return {};
}

QString portProblem(qint64 port)
{
    if (port < 1 || port > 65535)
        return QStringLiteral("the port is not between 1 and 65535");
    return {};
}

QString portTextProblem(const QString& text)
{
    if (holdsHidden(text))
        return QStringLiteral("the port holds a control character");
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return QStringLiteral("the port is empty");
    // toLongLong would also take "+80".
    if (!allDigits(digits))
        return QStringLiteral("the port is not a whole number");
    // Six digits are never a port, and many would not fit toLongLong.
    return portProblem(digits.size() > 5 ? 0 : digits.toLongLong());
}

QString protocolProblem(const QString& protocol)
{
    if (protocol != QStringLiteral("TCP") && protocol != QStringLiteral("UDP"))
        return QStringLiteral("the protocol is neither TCP nor UDP");
    return {};
}

QString ipv4Problem(const QString& address)
{
    if (address.isEmpty())
        return QStringLiteral("the address is empty");
    if (!isDottedIPv4(address))
        return QStringLiteral("the address is not a dotted IPv4 address");
    return {};
}

QString checkIntervalProblem(const QString& secondsText)
{
    if (holdsHidden(secondsText))
        return QStringLiteral("the interval holds a control character");
    const QString digits = secondsText.trimmed();
    if (digits.isEmpty())
        return QStringLiteral("the interval is empty");
    if (!allDigits(digits))
        return QStringLiteral("the interval is not a whole number of seconds");
    // More digits than maxCheckSeconds has would not fit toLongLong either.
    const qint64 seconds = digits.size() > 10 ? qint64(maxCheckSeconds) + 1 : digits.toLongLong();
    if (seconds < minCheckSeconds || seconds > maxCheckSeconds)
        return QStringLiteral("the interval is not between %1 and %2 seconds")
            .arg(minCheckSeconds)
            .arg(maxCheckSeconds);
    return {};
}

QString listSizeProblem(qsizetype lines)
{
    if (lines > maxListLines)
        return QStringLiteral("the list has more than %1 lines").arg(maxListLines);
    return {};
}

QString statusTextProblem(const QString& text)
{
    if (holdsHidden(text))
        return QStringLiteral("the status text holds a control character or a line break");
    if (text.size() > maxStatusLength)
        return QStringLiteral("the status text is longer than %1 characters").arg(maxStatusLength);
    return {};
}

QString mappingLineProblem(const QString& line)
{
    if (holdsHidden(line))
        return QStringLiteral("the mapping line holds a control character");
    const QStringList fields = line.split(u' ', Qt::SkipEmptyParts);
    if (fields.isEmpty())
        return QStringLiteral("the mapping line is empty");
    if (fields.size() != 3)
        return QStringLiteral("the mapping line is not \"address:port  protocol  address:port\"");
    if (QString why = protocolProblem(fields.at(1)); !why.isEmpty())
        return why;
    if (QString why = mappingEndProblem(fields.at(0)); !why.isEmpty())
        return why;
    return mappingEndProblem(fields.at(2));
}

} // namespace InputRules
