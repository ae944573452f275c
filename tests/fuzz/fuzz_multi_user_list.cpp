#include "FuzzCheck.h"
#include "settings/MultiUserList.h"
#include "settings/TextFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const CodePage pages[] = {CodePage::gbk(), CodePage::big5(), CodePage::windows1252()};
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const CodePage& page : pages) {
        const QStringList lines = splitLines(page.decode(bytes));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString domain = MultiUserList::entryDomain(lines[i]);
            if (!lines[i].contains(QStringLiteral("$$$"))) {
                FUZZ_REQUIRE(domain.isEmpty());
                continue;
            }
            // An entry's domain names its key-store value and is written back as it was.
            FUZZ_REQUIRE(!domain.contains(QStringLiteral("$$$")));
            FUZZ_REQUIRE(MultiUserList::entryDomain(MultiUserList::entryLine(domain)) == domain);
            const qsizetype found = MultiUserList::indexOfDomain(lines, domain);
            FUZZ_REQUIRE(found >= 0 && found <= i);
        }
    }
    return 0;
}
