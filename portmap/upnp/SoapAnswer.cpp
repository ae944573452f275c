#include "portmap/upnp/SoapAnswer.h"

#include "platform/DottedIPv4.h"
#include "portmap/upnp/GatewayText.h"

#include <utility>

using namespace GatewayText;

namespace SoapAnswer {

namespace {

// Longest namespace prefix looked at: keeps every probe of a tag short.
constexpr qsizetype PrefixLimit = 64;

bool isNameByte(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// XML white space only: a NUL or another control byte keeps a value from passing.
QByteArray trimXml(const QByteArray& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// Whether the name found at `at` follows "<" or "<prefix:".
bool startsTag(const QByteArray& folded, qsizetype at)
{
    if (at < 1)
        return false;
    if (folded[at - 1] == '<')
        return true;
    if (folded[at - 1] != ':')
        return false;
    qsizetype i = at - 2;
    while (i >= 0 && at - 2 - i < PrefixLimit && isNameByte(folded[i]))
        --i;
    return i < at - 2 && i >= 0 && folded[i] == '<';
}

// Whether "</name>" or "</prefix:name>" (blanks allowed before ">") starts at `lt`.
bool endTagAt(const QByteArray& folded, qsizetype lt, const QByteArray& name)
{
    if (folded.mid(lt, 2) != "</")
        return false;
    qsizetype i = lt + 2;
    qsizetype prefix = 0;
    while (i + prefix < folded.size() && prefix < PrefixLimit && isNameByte(folded[i + prefix]))
        ++prefix;
    if (i + prefix < folded.size() && folded[i + prefix] == ':' && prefix > 0)
        i += prefix + 1;
    if (folded.mid(i, name.size()) != name)
        return false;
    i += name.size();
    while (i < folded.size() && isBlank(folded[i]))
        ++i;
    return i < folded.size() && folded[i] == '>';
}

// The text of the first element called `name` (folded): what lies between its
// start tag and its end tag, or nothing when it holds other elements or has no
// end tag. An empty-element tag holds empty text.
std::optional<QByteArray> textOf(const QByteArray& response, const QByteArray& folded, const QByteArray& name)
{
    for (qsizetype at = folded.indexOf(name); at >= 0; at = folded.indexOf(name, at + 1)) {
        const qsizetype after = at + name.size();
        if (after >= folded.size() ||
            !(folded[after] == '>' || folded[after] == '/' || isBlank(folded[after])) ||
            !startsTag(folded, at))
            continue;
        const qsizetype tagEnd = folded.indexOf('>', after);
        if (tagEnd < 0)
            return std::nullopt;
        if (folded[tagEnd - 1] == '/')
            return QByteArray();
        const qsizetype lt = folded.indexOf('<', tagEnd + 1);
        if (lt < 0 || !endTagAt(folded, lt, name))
            return std::nullopt;
        return response.mid(tagEnd + 1, lt - tagEnd - 1);
    }
    return std::nullopt;
}

} // namespace

// At most 18 decimal digits, so that the value fits in 64 bits.
std::optional<qint64> decimal(const QByteArray& text)
{
    const QByteArray digits = trimXml(text);
    if (digits.isEmpty() || digits.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

namespace {

std::optional<int> port(const QByteArray& text)
{
    const std::optional<qint64> value = decimal(text);
    if (!value || *value < 1 || *value > 65535)
        return std::nullopt;
    return int(*value);
}

bool dotted(const QByteArray& text)
{
    return isDottedIPv4(QString::fromLatin1(text));
}

QByteArray decodeEntities(const QByteArray& text)
{
    static const std::pair<QByteArray, char> entities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    QByteArray decoded;
    decoded.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        bool replaced = false;
        if (text[i] == '&')
            for (const auto& [entity, c] : entities)
                if (text.mid(i, entity.size()) == entity) {
                    decoded += c;
                    i += entity.size() - 1;
                    replaced = true;
                    break;
                }
        if (!replaced)
            decoded += text[i];
    }
    return decoded;
}

// Never splits a UTF-8 sequence.
QByteArray cutUtf8(QByteArray text, qsizetype limit)
{
    if (text.size() > limit) {
        qsizetype cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text.truncate(cut);
    }
    return text;
}

} // namespace

std::optional<QByteArray> elementText(const QByteArray& response, const QByteArray& upperName)
{
    return textOf(response, foldUpper(response), upperName);
}

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

std::optional<MappingEntry> mappingEntry(const QByteArray& response)
{
    if (!succeeded(response))
        return std::nullopt;
    const QByteArray folded = foldUpper(response);
    const auto text = [&](const char* name) { return textOf(response, folded, name); };

    MappingEntry entry;
    const std::optional<QByteArray> client = text("NEWINTERNALCLIENT");
    const std::optional<int> internalPort = port(text("NEWINTERNALPORT").value_or(QByteArray()));
    if (!client || !dotted(trimXml(*client)) || !internalPort)
        return std::nullopt;
    entry.internalClient = trimXml(*client);
    entry.internalPort = *internalPort;
    if (const auto protocol = text("NEWPROTOCOL")) {
        entry.protocol = foldUpper(trimXml(*protocol));
        if (entry.protocol != "TCP" && entry.protocol != "UDP")
            return std::nullopt;
    }
    if (const auto externalPort = text("NEWEXTERNALPORT")) {
        const std::optional<int> value = port(*externalPort);
        if (!value)
            return std::nullopt;
        entry.externalPort = *value;
    }
    const QByteArray remoteHost = trimXml(text("NEWREMOTEHOST").value_or(QByteArray()));
    if (dotted(remoteHost))
        entry.remoteHost = remoteHost;
    entry.enabled = trimXml(text("NEWENABLED").value_or(QByteArray())) != "0";
    const QByteArray description = text("NEWPORTMAPPINGDESCRIPTION").value_or(QByteArray());
    entry.description = cutUtf8(withoutControls(decodeEntities(description)), 256);
    entry.leaseDuration = decimal(text("NEWLEASEDURATION").value_or(QByteArray())).value_or(0);
    return entry;
}

std::optional<Fault> fault(const QByteArray& response)
{
    if (succeeded(response))
        return std::nullopt;
    const QByteArray folded = foldUpper(response);
    const std::optional<qint64> code = decimal(textOf(response, folded, "ERRORCODE").value_or(QByteArray()));
    if (!code || *code < 1 || *code > 9999)
        return std::nullopt;
    const QByteArray description = textOf(response, folded, "ERRORDESCRIPTION").value_or(QByteArray());
    const QByteArray plain = trimBlanks(withoutControls(decodeEntities(description)));
    return Fault{int(*code), trimBlanks(cutUtf8(plain, 200))};
}

} // namespace SoapAnswer
