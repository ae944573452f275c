#include "FuzzCheck.h"
#include "settings/TextFile.h"

#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

void checkLines(const QStringList& lines)
{
    for (const QString& line : lines)
        FUZZ_REQUIRE(!line.contains(u'\r') && !line.contains(u'\n'));
    // A file written from the lines reads back as the same lines.
    FUZZ_REQUIRE(splitLines(joinLines(lines)) == lines);
}

} // namespace

// The file reader once, on a small file; the inputs go through its split and
// decoding without a file each, which would be slow.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QTemporaryDir folder;
    FUZZ_REQUIRE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("vkl.ini"));
    const QStringList lines = {QStringLiteral("a.kelvane.example"), QStringLiteral("动态"), QString()};
    FUZZ_REQUIRE(saveTextLines(path, lines, CodePage::gbk()).ok());
    const LoadedLines loaded = loadTextLines(path, CodePage::gbk());
    FUZZ_REQUIRE(loaded.state == LoadedLines::State::Loaded && loaded.lines == lines);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const CodePage pages[] = {CodePage::gbk(), CodePage::big5(), CodePage::windows1252()};
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const CodePage& page : pages) {
        const QString text = page.decode(bytes);
        checkLines(splitLines(text));
        page.decodeUpToNul(bytes);
    }
    // Windows-1252 has a character for every byte: a file survives a rewrite.
    FUZZ_REQUIRE(pages[2].encode(pages[2].decode(bytes)) == bytes);
    return 0;
}
