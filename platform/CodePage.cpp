#include "platform/CodePage.h"

#include "platform/SystemLanguage.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

constexpr size_t kChunk = 16384;

// Length of the UTF-8 sequence that starts with `lead`, so that an unmappable
// character is skipped whole.
size_t utf8Length(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// Converts `input`, writing `replacement` for each sequence iconv refuses and
// skipping `skip(byte)` bytes of input there; the output grows chunk by chunk.
template <typename Skip>
QByteArray convert(iconv_t cd, const QByteArray& input, const QByteArray& replacement, Skip skip)
{
    QByteArray output;
    output.reserve(input.size() + input.size() / 2);
    char chunk[kChunk];
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = size_t(input.size());
    while (inLeft > 0) {
        char* out = chunk;
        size_t outLeft = sizeof chunk;
        const size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        output.append(chunk, out - chunk);
        if (rc != size_t(-1) || error == E2BIG)
            continue;
        output.append(replacement);
        const size_t n = std::min(inLeft, skip(static_cast<unsigned char>(*in)));
        in += n;
        inLeft -= n;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* out = chunk;
    size_t outLeft = sizeof chunk;
    iconv(cd, nullptr, nullptr, &out, &outLeft);
    output.append(chunk, out - chunk);
    return output;
}

iconv_t open(const char* to, const char* from)
{
    const iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        qWarning("iconv cannot convert from %s to %s", from, to);
    return cd;
}

} // namespace

CodePage CodePage::forLanguage(int languageId)
{
    switch (languageId) {
    case LanguageId::SimplifiedChinese:
        return gbk();
    case LanguageId::TraditionalChineseTaiwan:
    case LanguageId::TraditionalChineseHongKong:
        return big5();
    default:
        return windows1252();
    }
}

CodePage CodePage::gbk()
{
    return CodePage("CP936");
}

CodePage CodePage::big5()
{
    return CodePage("CP950");
}

CodePage CodePage::windows1252()
{
    return CodePage("CP1252");
}

QByteArray CodePage::encode(const QString& text) const
{
    const iconv_t cd = open(m_iconvName, "UTF-8");
    if (cd == iconv_t(-1))
        return text.toLatin1();
    const QByteArray result = convert(cd, text.toUtf8(), QByteArrayLiteral("?"), utf8Length);
    iconv_close(cd);
    return result;
}

QString CodePage::decode(const QByteArray& bytes) const
{
    const iconv_t cd = open("UTF-8", m_iconvName);
    if (cd == iconv_t(-1))
        return QString::fromLatin1(bytes);
    const QByteArray utf8 = convert(cd, bytes, QByteArrayLiteral("\xEF\xBF\xBD"), [](unsigned char) {
        return size_t(1);
    });
    iconv_close(cd);
    return QString::fromUtf8(utf8);
}
