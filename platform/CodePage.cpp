#include "platform/CodePage.h"

#include "platform/SystemLanguage.h"

#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <iterator>
#include <string>

namespace {

constexpr size_t kChunk = 16384;
// glibc's name for its internal UCS-4: converting from or to it is a single
// step, where UTF-8 would make every refused character cost a re-scan.
constexpr char kWide[] = "WCHAR_T";
static_assert(sizeof(wchar_t) == sizeof(char32_t));

// Converts `input`, writing `replacement` for each sequence iconv refuses and
// skipping `skip` bytes of input there; the output grows chunk by chunk.
QByteArray convert(iconv_t cd, const QByteArray& input, const QByteArray& replacement, size_t skip)
{
    QByteArray output;
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
        const size_t n = std::min(inLeft, skip);
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

// Windows-1252 done by table: glibc's CP1252 refuses 0x81, 0x8D, 0x8F, 0x90
// and 0x9D, which Windows passes through as C1 controls, so a file read and
// written again would lose those bytes.
constexpr char16_t kWindows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decodeWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = uchar(c);
        *out++ = byte >= 0x80 && byte < 0xA0 ? QChar(kWindows1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

char encodeWindows1252(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c < 0x100))
        return char(c);
    const auto* found = std::find(std::begin(kWindows1252High), std::end(kWindows1252High), c);
    return found == std::end(kWindows1252High) ? '?' : char(0x80 + (found - std::begin(kWindows1252High)));
}

QByteArray encodeWindows1252(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const char32_t c : text.toUcs4())
        bytes += encodeWindows1252(c);
    return bytes;
}

bool isWindows1252(const char* name)
{
    return std::strcmp(name, "CP1252") == 0;
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

CodePage CodePage::gb18030()
{
    return CodePage("GB18030");
}

CodePage CodePage::utf8()
{
    return CodePage("UTF-8");
}

CodePage CodePage::system()
{
    return forLanguage(LocaleSystemLanguage().languageId());
}

QByteArray CodePage::encode(const QString& text) const
{
    if (isWindows1252(m_iconvName))
        return encodeWindows1252(text);
    const iconv_t cd = open(m_iconvName, kWide);
    if (cd == iconv_t(-1))
        return text.toLatin1();
    const QList<uint> wide = text.toUcs4();
    const QByteArray input(reinterpret_cast<const char*>(wide.constData()), wide.size() * sizeof(uint));
    const QByteArray result = convert(cd, input, QByteArrayLiteral("?"), sizeof(uint));
    iconv_close(cd);
    return result;
}

QString CodePage::decodeUpToNul(const QByteArray& bytes) const
{
    const qsizetype nul = bytes.indexOf('\0');
    return decode(nul < 0 ? bytes : bytes.left(nul));
}

QString CodePage::decode(const QByteArray& bytes) const
{
    if (isWindows1252(m_iconvName))
        return decodeWindows1252(bytes);
    const iconv_t cd = open(kWide, m_iconvName);
    if (cd == iconv_t(-1))
        return QString::fromLatin1(bytes);
    const char32_t replacement = 0xFFFD;
    const QByteArray wide =
        convert(cd, bytes, QByteArray(reinterpret_cast<const char*>(&replacement), sizeof replacement), 1);
    iconv_close(cd);
    std::u32string text(size_t(wide.size()) / sizeof(char32_t), U'\0');
    std::memcpy(text.data(), wide.constData(), text.size() * sizeof(char32_t));
    return QString::fromUcs4(text.data(), qsizetype(text.size()));
}
