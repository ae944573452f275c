#include "platform/PageText.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace PageText {

namespace {

// HTML wants a meta charset within the first 1024 bytes; pages often put it a little later.
constexpr qsizetype kMetaWindow = 4096;

QByteArray charsetIn(const QByteArray& text, const QRegularExpression& pattern)
{
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(text));
    return match.hasMatch() ? match.captured(1).toLatin1().toLower() : QByteArray();
}

} // namespace

std::optional<CodePage> codePageFor(QByteArray charset)
{
    charset = charset.trimmed().toLower();
    if (charset == "utf-8" || charset == "utf8")
        return CodePage::utf8();
    if (charset == "gbk" || charset == "gb2312" || charset == "gb_2312-80" || charset == "x-gbk" ||
        charset == "cp936" || charset == "windows-936" || charset == "euc-cn")
        return CodePage::gbk();
    if (charset == "gb18030")
        return CodePage::gb18030();
    if (charset == "big5" || charset == "big5-hkscs" || charset == "cp950" || charset == "x-x-big5")
        return CodePage::big5();
    return std::nullopt;
}

QByteArray declaredCharset(const QByteArray& contentType, const QByteArray& page)
{
    static const QRegularExpression inHeader(QStringLiteral(R"(charset\s*=\s*["']?\s*([A-Za-z0-9_.:-]+))"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression inMeta(
        QStringLiteral(R"(<meta\b[^>]*?charset\s*=\s*["']?\s*([A-Za-z0-9_.:-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QByteArray fromHeader = charsetIn(contentType, inHeader);
    return fromHeader.isEmpty() ? charsetIn(page.left(kMetaWindow), inMeta) : fromHeader;
}

QString decode(const QByteArray& page, const QByteArray& contentType, const CodePage& fallback)
{
    if (const auto declared = codePageFor(declaredCharset(contentType, page)))
        return declared->decode(page);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(page);
    return utf8.hasError() ? fallback.decode(page) : text;
}

QString withAltTexts(const QString& html)
{
    static const QRegularExpression image(QStringLiteral(R"(<img\b[^>]*>)"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression alt(
        QStringLiteral(R"re(\balt\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))re"),
        QRegularExpression::CaseInsensitiveOption);
    QString result;
    qsizetype copied = 0;
    QRegularExpressionMatchIterator images = image.globalMatch(html);
    while (images.hasNext()) {
        const QRegularExpressionMatch tag = images.next();
        result += QStringView(html).mid(copied, tag.capturedStart() - copied);
        const QRegularExpressionMatch text = alt.match(tag.capturedView());
        if (text.hasMatch()) {
            QString value = text.captured(1) + text.captured(2) + text.captured(3);
            // Entities of the attribute stay entities; markup does not survive.
            result += value.replace(u'<', QStringLiteral("&lt;")).replace(u'>', QStringLiteral("&gt;"));
        }
        copied = tag.capturedEnd();
    }
    result += QStringView(html).mid(copied);
    return result;
}

} // namespace PageText
