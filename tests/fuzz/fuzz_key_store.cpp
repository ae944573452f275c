#include "FuzzCheck.h"
#include "platform/KeyStoreText.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    KeyStoreText text(bytes);
    // A store nobody changed is written back as it was read.
    FUZZ_REQUIRE(text.content() == bytes);

    // A name and a value from the input: what is set reads back, after a rewrite too.
    const QString name = QString::fromUtf8(bytes.left(8));
    const QString value = QString::fromUtf8(bytes.mid(8, 64));
    text.setValue(name, value);
    FUZZ_REQUIRE(text.value(name) == value);
    FUZZ_REQUIRE(!text.setValue(name, value));
    KeyStoreText reread(text.content());
    FUZZ_REQUIRE(reread.value(name) == value);
    reread.removeValue(name);
    FUZZ_REQUIRE(!KeyStoreText(reread.content()).value(name));
    return 0;
}
